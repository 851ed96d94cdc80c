// ombrix --check through the real executable against scripted servers.

#include "cli/run_program.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

class CliCheckTest : public testing::Test {
protected:
    void addAccount(const std::string& name, const test::LoopbackServer& server, bool imap) {
        std::vector<std::string> arguments = {
            "--dir",      dir.path().string(), "--add-account", "--name", name,
            "--host",     server.host(),       "--user",        "bob",    "--port",
            server.port()};
        if (imap)
            arguments.push_back("--imap");
        ASSERT_EQ(test::runOmbrix(arguments, "secret\n").exitCode, 0);
    }

    test::ProgramResult run(const std::string& command) {
        return test::runOmbrix({"--dir", dir.path().string(), command});
    }

    test::TempDir dir;
};

const std::string kMail = "From: ann@example.org\r\nSubject: Hi there\r\n"
                          "Date: Tue, 2 Jan 2024 09:00:00 +0000\r\n\r\nBody\r\n.\r\n";

test::Script pop3BoxWithOneMail() {
    const std::string& mail = kMail;
    test::Script s;
    s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK").expect("STAT").sendLine("+OK 1 99");
    s.expect("UIDL").send("+OK\r\n1 abc\r\n.\r\n");
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(mail.size()));
    s.expect("TOP 1 100").send("+OK\r\n" + mail);
    s.expect("NOOP").sendLine("+OK").expect("QUIT").sendLine("+OK bye");
    return s;
}

TEST_F(CliCheckTest, ChecksEveryAccountSavesTheListsAndReportsTheFailure) {
    test::LoopbackServer pop3(pop3BoxWithOneMail());
    test::Script refusing;
    refusing.sendLine("* OK ready").expect("a000 LOGIN bob secret").sendLine("a000 NO denied");
    test::LoopbackServer imap(refusing);
    addAccount("me@example.org", pop3, false);
    addAccount("Büro", imap, true);

    const test::ProgramResult result = run("--check");

    EXPECT_TRUE(pop3.waitUntilDone());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "me@example.org\t1 new mails !\n"
                          "Büro\tError: a000 NO denied\n");
    EXPECT_NE(result.err.find("checking mails..."), std::string::npos);
    EXPECT_EQ(run("--list").out, "0\t0\t0\tann@example.org\tHi there\t02.01.2024\t" +
                                     std::to_string(kMail.size()) + "\tabc\n");
}

std::string mailNumbered(int n) {
    return "From: ann@example.org\r\nSubject: Mail " + std::to_string(n) + "\r\nDate: Tue, " +
           std::to_string(n) + " Jan 2024 09:00:00 +0000\r\n\r\nBody\r\n.\r\n";
}

// A box of `count` mails with UIDs u1..uN, of which the client fetches those
// from `firstNew` on.
test::Script pop3Box(int count, int firstNew) {
    test::Script s;
    s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK").expect("STAT").sendLine("+OK " + std::to_string(count) + " 999");
    std::string uidl = "+OK\r\n";
    for (int n = 1; n <= count; ++n)
        uidl += std::to_string(n) + " u" + std::to_string(n) + "\r\n";
    s.expect("UIDL").send(uidl + ".\r\n");
    for (int n = firstNew; n <= count; ++n) {
        const std::string number = std::to_string(n);
        s.expect("LIST " + number).sendLine("+OK " + number + " 120");
        s.expect("TOP " + number + " 100").send("+OK\r\n" + mailNumbered(n));
        s.expect("NOOP").sendLine("+OK");
    }
    s.expect("QUIT").sendLine("+OK bye");
    return s;
}

TEST_F(CliCheckTest, ReadMarksStayOnTheirMailsWhenACheckAddsMail) {
    test::LoopbackServer first(pop3Box(3, 1));
    addAccount("me", first, false);
    ASSERT_EQ(run("--check").exitCode, 0);
    EXPECT_TRUE(first.waitUntilDone());
    EXPECT_EQ(run("--unread").out, "3\n");
    test::writeBytes(dir / "obx.rd", std::string(3, '\1')); // read in the window

    test::LoopbackServer second(pop3Box(4, 4));
    std::string settings = test::readBytes(dir / "obx.dat");
    const std::string oldPort = "=" + first.port() + "\r\n";
    settings.replace(settings.find(oldPort), oldPort.size(), "=" + second.port() + "\r\n");
    test::writeBytes(dir / "obx.dat", settings);
    ASSERT_EQ(run("--check").exitCode, 0);
    EXPECT_TRUE(second.waitUntilDone());

    EXPECT_EQ(run("--unread").out, "1\n");
    const std::string listed = run("--list").out;
    EXPECT_NE(listed.find("\t0\tann@example.org\tMail 4\t"), std::string::npos) << listed;
    for (const char* subject : {"Mail 1", "Mail 2", "Mail 3"})
        EXPECT_NE(listed.find(std::string("\t1\tann@example.org\t") + subject + "\t"),
                  std::string::npos)
            << listed;
}

TEST_F(CliCheckTest, AllAccountsHealthyExitsZero) {
    test::Script empty;
    empty.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    empty.sendLine("+OK").expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK");
    test::LoopbackServer server(empty);
    addAccount("solo", server, false);

    const test::ProgramResult result = run("--check");

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "solo\tEmpty - no mails\n");
}

TEST_F(CliCheckTest, NoAccountsPrintsNothing) {
    const test::ProgramResult result = run("--check");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
}

} // namespace
} // namespace ombrix
