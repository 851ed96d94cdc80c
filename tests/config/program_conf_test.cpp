// ombrix.conf: typed values, unknown lines kept, atomic owner-only saves.

#include "config/keyring_removals.h"
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

// The removals a deleted account's keyring item waits for: read back exactly
// as written, whatever bytes the server and user hold, and nothing else of
// the file taken for one.
TEST(ProgramConfTest, PendingKeyringRemovalsReadBackAsWrittenAndNothingElse) {
    const SecretKey awkward{"imap.example.org", "me / you=1%\xC3\xA9\n", "imap", 993};
    const SecretKey plain{"pop.example.org", "me", "pop3", 995};
    ProgramConf conf =
        ProgramConf::parse("idle=on\n"
                           "oauthProvider/pop3/995/pop.example.org/me=google\n"
                           "keyringRemoval/pop3/995/pop.example.org/me=pending\n"
                           "keyringRemoval/pop3/0995/pop.example.org/me=pending\n" // not as written
                           "keyringRemoval/pop3/995/pop.example.org/m%65=pending\n"
                           "keyringRemoval/pop3/995/pop.example.org/me%4=pending\n"
                           "keyringRemoval/pop3/995/pop.example.org=pending\n"
                           "keyringRemoval/pop3/995/pop.example.org/me/x=pending\n"
                           "keyringRemoval/pop3/99x/pop.example.org/me=pending\n"
                           "keyringRemoval/pop3/995/pop.example.org/me=pending\n");
    conf.set("keyringRemoval/imap/993/imap.example.org/me%20%2F%20you%3D1%25%C3%A9%0A", "pending");
    const std::vector<SecretKey> pending = pendingKeyringRemovals(conf);
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].host, plain.host);
    EXPECT_EQ(pending[0].user, plain.user);
    EXPECT_EQ(pending[0].protocol, plain.protocol);
    EXPECT_EQ(pending[0].port, plain.port);
    EXPECT_EQ(pending[1].user, awkward.user);
    EXPECT_EQ(pending[1].host, awkward.host);
    EXPECT_EQ(pending[1].protocol, "imap");
    EXPECT_EQ(pending[1].port, 993);
    EXPECT_EQ(conf.keys().size(), 10u) << "each key once, the repeated one too";
}

} // namespace
} // namespace ombrix
