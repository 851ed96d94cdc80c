#include "cli/run_program.h"
#include "config/state_fixtures.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// obx.dat with `count` POP3 accounts named a0, a1, ..., written by hand.
std::string settingsWithAccounts(int count) {
    std::string text = "*** Ombrix Version 2.5 ini file\r\n*** x\r\n\r\n\r\n[NumberofAccounts]\r\n"
                       "Number=" +
                       std::to_string(count) + (count < 10 ? "\0"s : ""s) +
                       "\r\n\r\n[Accounts]\r\n";
    for (int k = 0; k < count; ++k)
        text += "name =a" + std::to_string(k) +
                "\r\nhost =h\r\nuser =u\r\npass =p\r\n\r\ndeac=0\r\n\0\0=110\r\n\r\n"s;
    return text + "=0\r\n=0\r\n=1\r\n=0\r\n=\r\n=0\r\n=\0\r\n=30\r\n=100\r\n=0\r\n"s;
}

class CliTest : public testing::Test {
protected:
    void writeFixtures() {
        test::writeBytes(dir / "obx.dat", test::settingsFixture());
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
    }

    test::ProgramResult run(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return test::runOmbrix(arguments, input);
    }

    test::TempDir dir;
};

TEST_F(CliTest, AccountsAreListedWithoutPasswords) {
    writeFixtures();
    const auto result = run({"--accounts"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out,
              "0\tme@example.org\tpop.example.org\t995\tPOP3\tSSL\tactive\tfile\n"
              "1\tB\xC3\xBCro\timap.example.net\t143\tIMAP\tplain\tdeactivated\tfile\n");
    EXPECT_EQ(result.out.find("pa=ss"), std::string::npos);
    EXPECT_EQ(result.err, "");
}

TEST_F(CliTest, ListShowsOneAccountOrAll) {
    writeFixtures();
    const std::string first = "0\t1\tann\tHi\t07.03.2006\t1234\tU1\n"
                              "1\t0\tbob\t\t31.12.1999\t70000\tU2\n";
    const std::string second = "0\t0\tcarl\ta b\t02.01.2024\t10\t77\n";

    EXPECT_EQ(run({"--list", "0"}).out, first);
    EXPECT_EQ(run({"--list", "1"}).out, second);

    const auto all = run({"--list"});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.out, "0\t0\t1\tann\tHi\t07.03.2006\t1234\tU1\n"
                       "0\t1\t0\tbob\t\t31.12.1999\t70000\tU2\n"
                       "1\t0\t0\tcarl\ta b\t02.01.2024\t10\t77\n");
}

TEST_F(CliTest, UnreadCountsActiveAccountsOnly) {
    writeFixtures();
    const auto result = run({"--unread"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "1\n"); // account 1's unread mail is deactivated

    fs::remove(dir / "obx.rd"); // without read flags every cached mail is unread
    EXPECT_EQ(run({"--unread"}).out, "2\n");
    test::writeBytes(dir / "obx.rd", ""); // a flag missing at the end reads as read
    EXPECT_EQ(run({"--unread"}).out, "0\n");
}

TEST_F(CliTest, AFirstRunOnAnEmptyDirectoryIsNoError) {
    for (const char* command : {"--accounts", "--list", "--unread", "--check"}) {
        SCOPED_TRACE(command);
        const auto result = run({command});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, command == "--unread"s ? "0\n" : "");
        EXPECT_EQ(result.err.find("ini"), std::string::npos) << result.err;
    }
    const auto added = run({"--add-account", "--name", "n", "--host", "h", "--user", "u"}, "pw");
    EXPECT_EQ(added.exitCode, 0);
    // The tests' programs find no session bus, so no keyring: said once, on stderr.
    EXPECT_EQ(added.err, "No keyring found: the passwords stay in obx.dat.\n");

    fs::remove(dir / "obx.dat");
    fs::create_directory(dir / "obx.dat"); // there, but not readable as a file
    EXPECT_NE(run({"--accounts"}).err.find("could not open ini file !"), std::string::npos);
}

// cron or ssh: no session bus, and the first account's password is only in
// the keyring. One line says why and how out; no account is tried.
TEST_F(CliTest, ARunWithoutTheKeyringItNeedsSaysSoOnceAndExitsTwo) {
    writeFixtures();
    std::string settings = test::settingsFixture();
    settings.replace(settings.find("pass =m^:pp\r\n"), 13, "pass =\r\n");
    test::writeBytes(dir / "obx.dat", settings);
    const std::string line =
        "ombrix: no keyring available (no session bus with a Secret Service), but the passwords "
        "of 1 accounts are only there; with passwordStore=file in ombrix.conf the next start in "
        "the desktop session moves them into obx.dat\n";
    for (const char* command : {"--check", "--delete"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> arguments{command};
        if (command == "--delete"s)
            arguments.insert(arguments.end(), {"0", "0", "--yes"});
        const auto result = run(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, line);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), settings);
    const auto listed = run({"--accounts"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find("\tactive\tkeyring\n1\t"), std::string::npos) << listed.out;

    // Marked as kept in the keyring: the same. Unmarked where marks are in
    // use: an empty password, no keyring needed.
    const std::string marked = "keyringPasswordsMarked=yes\n";
    test::writeBytes(dir / "ombrix.conf",
                     marked + "keyringPassword/pop3/995/pop.example.org/me=yes\n");
    EXPECT_EQ(run({"--check"}).exitCode, 2);
    test::writeBytes(dir / "ombrix.conf", marked);
    const auto unmarked = run({"--accounts"});
    EXPECT_EQ(unmarked.exitCode, 0);
    EXPECT_NE(unmarked.out.find("\tactive\tfile\n1\t"), std::string::npos) << unmarked.out;
}

TEST_F(CliTest, AddAccountTakesThePasswordFromStandardInput) {
    writeFixtures();
    const auto result =
        run({"--add-account", "--name", "new@x.org", "--host", "mail.x.org", "--user", "nu"},
            "pa=ss\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "OK, account successfully added !\n");

    const std::string stored = test::readBytes(dir / "obx.dat");
    EXPECT_NE(stored.find("Number=3\0\r\n"s), std::string::npos);
    EXPECT_NE(stored.find("name =new@x.org\r\nhost =mail.x.org\r\nuser =nu\r\npass =m^:pp\r\n"
                          "\r\ndeac=0\r\n\0\0=110\r\n"s),
              std::string::npos);
    EXPECT_EQ(test::readBytes(dir / "obx.msf"), test::mailListFixture());
    EXPECT_EQ(run({"--accounts"}).out,
              "0\tme@example.org\tpop.example.org\t995\tPOP3\tSSL\tactive\tfile\n"
              "1\tB\xC3\xBCro\timap.example.net\t143\tIMAP\tplain\tdeactivated\tfile\n"
              "2\tnew@x.org\tmail.x.org\t110\tPOP3\tplain\tactive\tfile\n");
}

TEST_F(CliTest, AddAccountDerivesThePortLikeTheWizard) {
    struct Row {
        std::vector<std::string> options;
        std::string line;
    };
    const Row rows[] = {
        {{}, "110\tPOP3\tplain"},
        {{"--ssl"}, "995\tPOP3\tSSL"},
        {{"--imap"}, "143\tIMAP\tplain"},
        {{"--imap", "--ssl"}, "993\tIMAP\tSSL"},
        {{"--ssl", "--port", "2995"}, "2995\tPOP3\tSSL"},
    };
    int index = 0;
    for (const Row& row : rows) {
        std::vector<std::string> arguments{"--add-account", "--name", "n", "--host", "h",
                                           "--user",        "u"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        ASSERT_EQ(run(arguments, "pw").exitCode, 0);
        const std::string expected =
            std::to_string(index++) + "\tn\th\t" + row.line + "\tactive\tfile\n";
        EXPECT_TRUE(run({"--accounts"}).out.ends_with(expected)) << expected;
    }
}

TEST_F(CliTest, TwentyFirstAccountIsRefused) {
    test::writeBytes(dir / "obx.dat", settingsWithAccounts(20));
    const std::vector<std::string> add{"--add-account", "--name", "n", "--host", "h",
                                       "--user",        "u"};
    const auto english = run(add, "pw\n");
    EXPECT_EQ(english.exitCode, 1);
    EXPECT_EQ(english.err, "ombrix: You have reached the limits of accounts, sorry\n");

    std::vector<std::string> german{"--lang", "de"};
    german.insert(german.end(), add.begin(), add.end());
    EXPECT_EQ(run(german, "pw\n").err, "ombrix: Limit von Emailaccounts erreicht\n");
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), settingsWithAccounts(20));

    test::writeBytes(dir / "obx.dat", settingsWithAccounts(19));
    EXPECT_EQ(run(add, "pw\n").exitCode, 0);
    EXPECT_NE(test::readBytes(dir / "obx.dat").find("Number=20\r\n"), std::string::npos);
}

TEST_F(CliTest, ControlCharactersAndEmptyPasswordsAreRefused) {
    writeFixtures();
    struct Row {
        const char* name;
        std::string user;
        std::string input;
        std::string error;
    };
    const Row rows[] = {
        {"CR inside the password", "u", "a\rb\n", "line break"},
        {"second line of input", "u", "a\nb\n", "line break"},
        {"empty password", "u", "\n", "Enter your password !"},
        {"no input at all", "u", "", "Enter your password !"},
        {"LF in the user name", "u\nRSET", "pw\n", "line break"},
        {"byte 29 in the password", "u", "p\x1dw\n", "password must not contain"},
        {"tab in the user name", "u\tv", "pw\n", "control character"},
        {"overlong password", "u", std::string(5000, 'x'), "too long"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result =
            run({"--add-account", "--name", "n", "--host", "h", "--user", row.user}, row.input);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(row.error), std::string::npos) << result.err;
        EXPECT_EQ(test::readBytes(dir / "obx.dat"), test::settingsFixture());
    }
}

TEST_F(CliTest, WrongArgumentsGetOneLineAndExitCodeTwo) {
    writeFixtures();
    const std::vector<std::vector<std::string>> wrong = {
        {"--bogus"},
        {"--accounts", "extra"},
        {"--list", "x"},
        {"--list", "2"},
        {"--list", "0", "1"},
        {"--unread", "--ssl"},
        {"--lang", "fr", "--accounts"},
        {"--lang", "fr"}, // no command: the desktop program's own check
        {"--lang"},
        {"--accounts", "--dir"},
        {"--add-account", "--name", "n", "--host", "h"},
        {"--add-account", "--name", "", "--host", "h", "--user", "u"},
        {"--add-account", "--name", "n", "--host", "h", "--user", "u", "--port", "70000"},
        {"--add-account", "--name", "n", "--host", "h", "--user", "u", "--pop"},
    };
    for (const auto& arguments : wrong) {
        SCOPED_TRACE(arguments.front() + (arguments.size() > 1 ? " " + arguments[1] : ""));
        const auto result = run(arguments, "pw\n");
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(result.err.starts_with("ombrix: ")) << result.err;
    }
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), test::settingsFixture());
}

TEST_F(CliTest, HelpNamesEveryCommand) {
    const auto result = test::runOmbrix({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* command :
         {"--accounts", "--add-account", "--list", "--unread", "--dir", "--lang"})
        EXPECT_NE(result.out.find(command), std::string::npos) << command;
}

TEST_F(CliTest, WithoutACommandAndWithoutADisplayTheDesktopCannotStart) {
    // Whatever display the test itself runs under, the program must see none.
    const auto result = test::runOmbrix({"--dir", dir.path().string()}, "",
                                        {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("--help"), std::string::npos);
}

TEST_F(CliTest, DirectoryComesFromTheAutostartEntryElseTheConfigHome) {
    const std::vector<std::string> environment{"XDG_CONFIG_HOME=" + dir.path().string()};
    const auto added = test::runOmbrix(
        {"--add-account", "--name", "n", "--host", "h", "--user", "u"}, "pw", environment);
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_TRUE(fs::exists(dir / "ombrix" / "obx.dat"));

    fs::create_directories(dir / "elsewhere");
    test::writeBytes(dir / "elsewhere" / "obx.dat", test::settingsFixture());
    fs::create_directories(dir / "autostart");
    test::writeBytes(dir / "autostart" / "ombrixwatch.desktop",
                     "[Desktop Entry]\nExec=/usr/bin/ombrix --dir \"" +
                         (dir / "elsewhere").string() + "\"\n");
    const auto listed = test::runOmbrix({"--accounts"}, "", environment);
    EXPECT_TRUE(listed.out.starts_with("0\tme@example.org\t")) << listed.out;
}

} // namespace
} // namespace ombrix
