// ombrix.conf: typed values, unknown lines kept, atomic owner-only saves.

#include "config/program_conf.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ombrix {
namespace {

TEST(ProgramConfTest, TypedValuesFallBackWhenMissingOrMalformed) {
    const ProgramConf conf = ProgramConf::parse("desktopNotification = 0\r\n"
                                                "idle=300\n"
                                                "broken=12abc\n"
                                                "yes=true\n"
                                                "odd=maybe\n");
    EXPECT_FALSE(conf.flag(kConfDesktopNotification, true));
    EXPECT_TRUE(conf.flag("yes", false));
    EXPECT_TRUE(conf.flag("odd", true));
    EXPECT_FALSE(conf.flag("missing", false));
    EXPECT_EQ(conf.number("idle", 5), 300);
    EXPECT_EQ(conf.number("broken", 5), 5);
    EXPECT_EQ(conf.number("missing", -1), -1);
    EXPECT_EQ(conf.value("idle"), "300");
    EXPECT_EQ(conf.value("missing"), std::nullopt);
}

TEST(ProgramConfTest, SavingKeepsUnknownLinesAndPlacesAndTheLastEntryWins) {
    ProgramConf conf = ProgramConf::parse("# written by hand\n"
                                          "passwordStore=keyring\n"
                                          "desktopNotification=1\n"
                                          "no equals sign here\n"
                                          "desktopNotification=0\n");
    EXPECT_FALSE(conf.flag(kConfDesktopNotification, true));
    conf.setFlag(kConfDesktopNotification, true);
    conf.setNumber("idle", 60);
    conf.set("name", "two\nlines");
    EXPECT_EQ(conf.serialize(), "# written by hand\n"
                                "passwordStore=keyring\n"
                                "desktopNotification=1\n"
                                "no equals sign here\n"
                                "desktopNotification=1\n"
                                "idle=60\n"
                                "name=twolines\n");
    EXPECT_EQ(ProgramConf::parse(conf.serialize()).serialize(), conf.serialize());
}

TEST(ProgramConfTest, SwitchesReadOnAndOffAndAreWrittenSo) {
    ProgramConf conf = ProgramConf::parse("idle=off\nother=on\n");
    EXPECT_FALSE(conf.flag(kConfIdle, true));
    EXPECT_TRUE(conf.flag("other", false));
    EXPECT_TRUE(ProgramConf().flag(kConfIdle, true)) << "a missing key keeps its default";
    conf.setSwitch(kConfIdle, true);
    conf.setSwitch("other", false);
    EXPECT_EQ(conf.serialize(), "idle=on\nother=off\n");
}

TEST(ProgramConfTest, FileRoundTripIsOwnerOnlyAndMissingFileMeansDefaults) {
    test::TempDir dir;
    const auto file = programConfPath(dir.path().string());
    EXPECT_EQ(file.filename(), "ombrix.conf");
    EXPECT_TRUE(loadProgramConf(file).flag(kConfDesktopNotification, true));

    ProgramConf conf;
    conf.setFlag(kConfDesktopNotification, false);
    ASSERT_FALSE(saveProgramConf(file, conf));
    EXPECT_EQ(test::readBytes(file), "desktopNotification=0\n");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(loadProgramConf(file).flag(kConfDesktopNotification, true));

    // A directory that is not there: the error comes back, nothing is written.
    EXPECT_TRUE(saveProgramConf(dir / "missing" / "ombrix.conf", conf));
}

} // namespace
} // namespace ombrix
