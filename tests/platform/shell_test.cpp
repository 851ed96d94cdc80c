#include "platform/shell.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

struct ExecRow {
    const char* name;
    const char* file;
    const char* expected;
};

class ExecLine : public testing::TestWithParam<ExecRow> {};

TEST_P(ExecLine, ComesFromTheDesktopEntryGroupOnly) {
    EXPECT_EQ(execLineOf(GetParam().file), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExecLine,
    testing::Values(
        ExecRow{"Plain", "[Desktop Entry]\nName=Mail\nExec=thunderbird %u\n", "thunderbird %u"},
        ExecRow{"CrLfAndBlanks", "[Desktop Entry]\r\nExec = evolution %U \r\n", "evolution %U"},
        ExecRow{"ActionGroupIgnored",
                "[Desktop Action compose]\nExec=mail --compose\n[Desktop Entry]\nExec=mail %u\n",
                "mail %u"},
        ExecRow{"LocalizedKeyIsNotExec", "[Desktop Entry]\nExec[de]=falsch\nExec=richtig\n",
                "richtig"},
        ExecRow{"CommentSkipped", "[Desktop Entry]\n# Exec=old\nExec=new\n", "new"},
        ExecRow{"NoExec", "[Desktop Entry]\nName=Mail\n", ""},
        ExecRow{"NoGroup", "Exec=loose\n", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MimeAppsList, FirstFileWithTheTypeWinsAndTheFirstIdOfAList) {
    test::TempDir dir;
    test::writeBytes(dir / "user.list", "[Added Associations]\n"
                                        "x-scheme-handler/mailto=other.desktop\n"
                                        "[Default Applications]\n"
                                        "text/html=firefox.desktop\n");
    test::writeBytes(dir / "system.list",
                     "[Default Applications]\n"
                     "x-scheme-handler/mailto=thunderbird.desktop;kmail.desktop;\n");
    test::writeBytes(dir / "late.list", "[Default Applications]\n"
                                        "x-scheme-handler/mailto=evolution.desktop\n");
    const std::vector<std::string> files{
        (dir / "missing.list").string(), (dir / "user.list").string(),
        (dir / "system.list").string(), (dir / "late.list").string()};
    EXPECT_EQ(defaultHandlerFromMimeApps("x-scheme-handler/mailto", files), "thunderbird.desktop");
    EXPECT_EQ(defaultHandlerFromMimeApps("text/html", files), "firefox.desktop");
    EXPECT_EQ(defaultHandlerFromMimeApps("x-scheme-handler/news", files), "");
}

TEST(DesktopFile, IsFoundInTheDataDirsInOrderAndInPrefixFolders) {
    test::TempDir first;
    test::TempDir second;
    std::filesystem::create_directories(first / "applications");
    std::filesystem::create_directories(second / "applications" / "kde");
    test::writeBytes(second / "applications" / "thunderbird.desktop",
                     "[Desktop Entry]\nExec=/usr/bin/thunderbird %u\n");
    test::writeBytes(first / "applications" / "thunderbird.desktop",
                     "[Desktop Entry]\nExec=/home/me/bin/thunderbird %u\n");
    test::writeBytes(second / "applications" / "kde" / "kmail.desktop",
                     "[Desktop Entry]\nExec=kmail\\s--compose %u \"C:\\\\\\\\x\"\n");
    const std::vector<std::string> dirs{first.path().string(), second.path().string()};
    EXPECT_EQ(desktopFileExec("thunderbird.desktop", dirs), "/home/me/bin/thunderbird %u");
    // The value's string escapes are undone; the quoting is the caller's.
    EXPECT_EQ(desktopFileExec("kde-kmail.desktop", dirs), "kmail --compose %u \"C:\\\\x\"");
    EXPECT_EQ(desktopFileExec("absent.desktop", dirs), "");
    EXPECT_EQ(desktopFileExec("../applications/thunderbird.desktop", dirs), "")
        << "an id is a file name, never a path";
    EXPECT_EQ(desktopFileExec("", dirs), "");
}

} // namespace
} // namespace ombrix
