#include "cli/cli.h"
#include "config/directory_claim.h"
#include "config/mail_list_file.h"
#include "config/program_directory.h"
#include "config/state_store.h"
#include "delete/delete_fixture.h"
#include "support/temp_dir.h"

#include <functional>
#include <sstream>
#include <streambuf>

namespace ombrix::test {
namespace {

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.starts_with(prefix))
            found.push_back(line);
    return found;
}

// `ombrix --delete` in process: the files of a POP3 account with two listed
// mails, a scripted server for the deletion and the check after it.
class CliDeleteTest : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }

    void writeFiles(const LoopbackServer& server, bool imap = false) {
        AccountRecord& a = accounts[0];
        a.name = "acc";
        a.host = server.host();
        a.port = server.port();
        a.user = "bob";
        a.password = "secret";
        a.protocol = imap ? 1 : 0;
        a.uidValidity = imap ? "1700000000" : "";
        a.mailCount = 2;
        const char* uids[] = {"u1\r\n", "u2\r\n"};
        const char* imapUids[] = {"11", "12"};
        const char* subjects[] = {"One", "Two"};
        for (int i = 0; i < 2; ++i) {
            a.mails[i].serverPosition = static_cast<std::uint32_t>(i);
            a.mails.setUid(i, imap ? imapUids[i] : uids[i]);
            a.mails.setSubject(i, subjects[i]);
            a.mails.setFrom(i, "ann@example.org");
        }
        accountCount = 1;
        programDirectory = dir.path().string();
        ASSERT_TRUE(saveState(SaveKind::SettingsFile));
        ASSERT_TRUE(saveState(SaveKind::MailListFile));
        resetProcessState();
    }

    int run(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        std::istringstream in(input);
        CliStreams io{in, out, err};
        const std::optional<int> code = runCli(arguments, io);
        EXPECT_TRUE(code.has_value());
        return code.value_or(-1);
    }

    // The mail list as saved in obx.msf, read back as the program would.
    std::vector<std::string> savedUids() {
        resetProcessState();
        programDirectory = dir.path().string();
        loadState();
        std::vector<std::string> uids;
        for (int i = 0; i < validMailCount(accounts[0]); ++i)
            uids.emplace_back(accounts[0].mails.uid(i));
        return uids;
    }

    // Row 2 ("Two", u2) proves itself and goes; the check after finds u1.
    static Script rowTwoDeletedThenChecked() {
        Script s;
        pop3LoginSteps(s, "2 200");
        pop3Verify(s, "2", "u2", "Two");
        s.expect("DELE 2").sendLine("+OK");
        pop3Quit(s);
        s.close();
        checkAfterDeletion(s);
        return s;
    }

    // The check after the deletion: one known mail is left.
    static void checkAfterDeletion(Script& s, const std::string& uidLeft = "u1") {
        s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
        s.sendLine("+OK").expect("STAT").sendLine("+OK 1 100");
        s.expect("UIDL").send("+OK\r\n1 " + uidLeft + "\r\n.\r\n");
        pop3Quit(s);
    }

    TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliDeleteTest, DeletesTheRowThenChecksAndSavesTheList) {
    LoopbackServer server(rowTwoDeletedThenChecked());
    writeFiles(server);

    EXPECT_EQ(run({"--delete", "0", "1", "--yes"}), 0);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(savedUids(), std::vector<std::string>{"u1\r\n"});
    EXPECT_EQ(err.str().find("Could not delete"), std::string::npos) << err.str();
}

struct PromptCase {
    const char* name;
    std::string language;
    std::string answer;
    std::string question;
    bool deletes;
};

class CliDeletePromptTest : public CliDeleteTest,
                            public ::testing::WithParamInterface<PromptCase> {};

TEST_P(CliDeletePromptTest, AsksOnTheTerminalFirst) {
    Script s;
    if (GetParam().deletes) {
        pop3LoginSteps(s, "2 200");
        pop3Verify(s, "1", "u1", "One");
        s.expect("DELE 1").sendLine("+OK");
        pop3Quit(s);
        s.close();
        checkAfterDeletion(s, "u2");
    }
    LoopbackServer server(s);
    writeFiles(server);

    const int code = run({"--lang", GetParam().language, "--delete", "0", "0"}, GetParam().answer);
    EXPECT_EQ(err.str().rfind(GetParam().question, 0), 0u) << err.str();
    if (GetParam().deletes) {
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(server.waitUntilDone());
        EXPECT_EQ(savedUids(), std::vector<std::string>{"u2\r\n"});
        EXPECT_EQ(linesStartingWith(server.received(), "DELE"), std::vector<std::string>{"DELE 1"});
    } else {
        EXPECT_EQ(code, 1);
        EXPECT_EQ(server.connections(), 0);
        EXPECT_EQ(savedUids().size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CliDeletePromptTest,
    ::testing::Values(
        PromptCase{"EnglishNo", "en", "n\n",
                   "Are you sure you want to delete the mail directly from the server ? [y/N] ",
                   false},
        PromptCase{"NoAnswerAtAll", "en", "",
                   "Are you sure you want to delete the mail directly from the server ?", false},
        PromptCase{"EnglishYes", "en", "yes\n", "Are you sure", true},
        PromptCase{"GermanJa", "de", "J\n",
                   "Mail vom Server löschen: Ganz sicher ?\nEinmal gelöschte Mails können nicht "
                   "mehr abgerufen werden. [j/N] ",
                   true}),
    caseName);

// Standard input whose first read runs `atQuestion` (the moment the command
// waits for its answer), then gives `answer`.
class AnswerAfter final : public std::streambuf {
public:
    AnswerAfter(std::function<void()> atQuestion, std::string answer)
        : atQuestion_(std::move(atQuestion)), answer_(std::move(answer)) {}

protected:
    int_type underflow() override {
        if (atQuestion_) {
            std::exchange(atQuestion_, {})();
            setg(answer_.data(), answer_.data(), answer_.data() + answer_.size());
        }
        return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
    }

private:
    std::function<void()> atQuestion_;
    std::string answer_;
};

class CliDeleteQuestionTest : public CliDeleteTest {
protected:
    int runAnswering(const std::vector<std::string>& arguments, std::function<void()> atQuestion) {
        AnswerAfter input(std::move(atQuestion), "y\n");
        std::istream in(&input);
        std::vector<std::string> all = {"--dir", dir.path().string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        CliStreams io{in, out, err};
        return runCli(all, io).value_or(-1);
    }
};

// While the user thinks, a desktop start (or another command) must not wait
// for the terminal: the directory is claimed only once the answer is in.
TEST_F(CliDeleteQuestionTest, TheQuestionWaitsWithoutHoldingTheDirectory) {
    LoopbackServer server(rowTwoDeletedThenChecked());
    writeFiles(server);

    bool freeWhileAsking = false;
    const int code = runAnswering({"--delete", "0", "1"}, [&] {
        freeWhileAsking = DirectoryClaim::forDesktop(dir.path().string()).held();
    });
    EXPECT_TRUE(freeWhileAsking);
    EXPECT_EQ(code, 0) << err.str();
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(savedUids(), std::vector<std::string>{"u1\r\n"});
}

// A check (of the desktop program, say) that changed the list while the user
// was asked: the row answered for is another mail now, and nothing is deleted.
TEST_F(CliDeleteQuestionTest, AListChangedWhileAskingDeletesNothing) {
    Script s;
    LoopbackServer server(s);
    writeFiles(server);
    // The same files, but the second row is another mail now.
    programDirectory = dir.path().string();
    loadState();
    accounts[0].mails.setUid(1, "u9\r\n");
    const std::string changedLists = encodeMailListFile();
    resetProcessState();

    const int code = runAnswering({"--delete", "0", "1"},
                                  [&] { test::writeBytes(dir / "obx.msf", changedLists); });
    EXPECT_EQ(code, 1);
    EXPECT_NE(err.str().find("the mail list changed while you were asked; nothing was deleted"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(CliDeleteTest, AStaleListPrintsTheConsistencyMessageAndStillChecks) {
    Script s;
    pop3LoginSteps(s, "3 300");
    s.expect("NOOP").sendLine("+OK").expect("UIDL 2").sendLine("+OK 2 u1");
    pop3Quit(s);
    s.close();
    s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK").expect("STAT").sendLine("+OK 0 0");
    pop3Quit(s);
    LoopbackServer server(s);
    writeFiles(server);

    EXPECT_EQ(run({"--delete", "0", "1", "--yes"}), 1);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_NE(err.str().find(kInconsistentText), std::string::npos) << err.str();
    EXPECT_TRUE(linesStartingWith(server.received(), "DELE").empty());
    EXPECT_TRUE(savedUids().empty()); // the check listed the server again
}

TEST_F(CliDeleteTest, AFailurePrintsItsText) {
    Script s;
    s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("-ERR [AUTH] wrong password");
    pop3Quit(s);
    s.close();
    s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("-ERR [AUTH] wrong password");
    LoopbackServer server(s);
    writeFiles(server);

    EXPECT_EQ(run({"--delete", "0", "0", "--yes"}), 1);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_NE(err.str().find("Could not delete mail, Error:\n-ERR [AUTH] wrong password"),
              std::string::npos)
        << err.str();
}

// The check after the deletion, cut short: the exit code is the deletion's.
void refusedCheckLogin(Script& s, bool imap) {
    if (imap) {
        s.sendLine("* OK ready").expect("a000 LOGIN bob secret").sendLine("a000 NO not now");
    } else {
        s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
        s.sendLine("-ERR not now");
    }
}

void imapDeletionStart(Script& s, bool uidPlus) {
    s.sendLine("* OK ready").expect("a000 LOGIN bob secret").sendLine("a000 OK");
    s.expect("a001 CAPABILITY")
        .sendLine(std::string("* CAPABILITY IMAP4rev1") + (uidPlus ? " UIDPLUS" : ""))
        .sendLine("a001 OK");
    s.expect("a002 SELECT INBOX").send("* OK [UIDVALIDITY 1700000000]\r\na002 OK\r\n");
    const std::string header = "Subject: Two\r\n\r\n";
    s.expect("a003 UID FETCH 12 (BODY.PEEK[HEADER.FIELDS (SUBJECT)])")
        .send("* 2 FETCH (UID 12 BODY[HEADER.FIELDS (SUBJECT)] {" + std::to_string(header.size()) +
              "}\r\n" + header + ")\r\na003 OK\r\n");
}

struct ExitCase {
    const char* name;
    bool imap;
    void (*deletion)(Script&); // the server's side of the deletion of row 1
    int code;
    std::string why; // on stderr, as the command says it or as the run's box shows it
};

class CliDeleteExitTest : public CliDeleteTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(CliDeleteExitTest, IsZeroOnlyWhenEverySelectedMailWasDeleted) {
    Script s;
    GetParam().deletion(s);
    s.close();
    refusedCheckLogin(s, GetParam().imap);
    LoopbackServer server(s);
    writeFiles(server, GetParam().imap);

    EXPECT_EQ(run({"--delete", "0", "1", "--yes"}), GetParam().code) << err.str();
    EXPECT_TRUE(server.waitUntilDone());
    if (GetParam().why.empty())
        EXPECT_EQ(err.str().find("ombrix: "), std::string::npos) << err.str();
    else
        EXPECT_NE(err.str().find(GetParam().why), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CliDeleteExitTest,
    ::testing::Values(
        ExitCase{"ImapExpungedWithUidPlus", true,
                 [](Script& s) {
                     imapDeletionStart(s, true);
                     s.expect("a004 UID STORE 12 +FLAGS (\\Deleted)").sendLine("a004 OK");
                     s.expect("a005 UID EXPUNGE 12").sendLine("* 2 EXPUNGE").sendLine("a005 OK");
                     s.expect("a006 LOGOUT").sendLine("a006 OK");
                 },
                 0, ""},
        // Nobody can be asked on a terminal whether CLOSE may take another
        // program's mails with it: refused, and nothing is flagged.
        ExitCase{
            "ImapOthersMarkedDeletedWithoutUidPlus", true,
            [](Script& s) {
                imapDeletionStart(s, false);
                s.expect("a004 UID SEARCH DELETED").sendLine("* SEARCH 5 9").sendLine("a004 OK");
                s.expect("a005 LOGOUT").sendLine("a005 OK");
            },
            1,
            "Nothing deleted: 2 other mail(s) in this mailbox are marked as deleted by "
            "another program, and this server (without UIDPLUS) would remove them with "
            "the selected mails."},
        ExitCase{"ImapStoreRefused", true,
                 [](Script& s) {
                     imapDeletionStart(s, true);
                     s.expect("a004 UID STORE 12 +FLAGS (\\Deleted)").sendLine("a004 NO locked");
                     s.expect("a005 LOGOUT").sendLine("a005 OK");
                 },
                 1, "Not every selected mail was deleted, the server answered:\na004 NO locked"},
        ExitCase{"Pop3QuitRefused", false,
                 [](Script& s) {
                     pop3LoginSteps(s, "2 200");
                     pop3Verify(s, "2", "u2", "Two");
                     s.expect("DELE 2").sendLine("+OK");
                     s.expect("QUIT").sendLine("-ERR some deleted messages not removed");
                 },
                 1,
                 "Not every selected mail was deleted, the server answered:\n-ERR some deleted "
                 "messages not removed"}),
    caseName);

struct BadArguments {
    const char* name;
    std::vector<std::string> arguments;
};

class CliDeleteUsageTest : public CliDeleteTest,
                           public ::testing::WithParamInterface<BadArguments> {};

TEST_P(CliDeleteUsageTest, IsRefusedWithExitCode2AndNothingSent) {
    Script s;
    LoopbackServer server(s);
    writeFiles(server);
    EXPECT_EQ(run(GetParam().arguments), 2);
    EXPECT_NE(err.str().find("ombrix: "), std::string::npos);
    EXPECT_EQ(server.connections(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliDeleteUsageTest,
    ::testing::Values(BadArguments{"NoAccount", {"--delete"}},
                      BadArguments{"NoRow", {"--delete", "0", "--yes"}},
                      BadArguments{"RowNotANumber", {"--delete", "0", "x1", "--yes"}},
                      BadArguments{"NegativeRow", {"--delete", "0", "-1", "--yes"}},
                      BadArguments{"RowPastTheList", {"--delete", "0", "0", "2", "--yes"}},
                      BadArguments{"NoSuchAccount", {"--delete", "1", "0", "--yes"}},
                      BadArguments{"UnknownOption", {"--delete", "0", "0", "--force"}}),
    caseName);

// Whatever a server says reaches the terminal as valid UTF-8 with every
// control character shown, never as the bytes it sent.
bool isValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

struct HostileCase {
    const char* name;
    bool imap;
    void (*deletion)(Script&, const std::string& hostile);
};

class CliDeleteHostileTest : public CliDeleteTest,
                             public ::testing::WithParamInterface<HostileCase> {};

TEST_P(CliDeleteHostileTest, ServerTextReachesTheTerminalAsValidUtf8) {
    const std::string hostile = "Fault \xff\xfe\xc3\x28 \x1b[31m red \x07 bell \xc2\x9b end";
    Script s;
    GetParam().deletion(s, hostile);
    s.close();
    refusedCheckLogin(s, GetParam().imap);
    LoopbackServer server(s);
    writeFiles(server, GetParam().imap);

    EXPECT_EQ(run({"--delete", "0", "1", "--yes"}), 1);
    EXPECT_TRUE(server.waitUntilDone());
    const std::string shown = err.str();
    EXPECT_TRUE(isValidUtf8(shown)) << shown;
    EXPECT_TRUE(std::ranges::none_of(shown, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\n') || byte == 0x7F;
    })) << shown;
    EXPECT_EQ(shown.find("\xC2\x9B"), std::string::npos) << "no C1 control either";
    // The bytes that are not UTF-8 read as windows-1252, as the window shows them.
    EXPECT_NE(shown.find("Fault \xC3\xBF\xC3\xBE\xC3\x83("), std::string::npos) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, CliDeleteHostileTest,
    ::testing::Values(HostileCase{"Pop3Login", false,
                                  [](Script& s, const std::string& hostile) {
                                      s.sendLine("+OK ready").expect("USER bob").sendLine("+OK");
                                      s.expect("PASS secret").sendLine("-ERR " + hostile);
                                      pop3Quit(s);
                                  }},
                      HostileCase{"ImapLogin", true,
                                  [](Script& s, const std::string& hostile) {
                                      s.sendLine("* OK ready").expect("a000 LOGIN bob secret");
                                      s.sendLine("a000 NO " + hostile);
                                  }},
                      HostileCase{"ImapStore", true,
                                  [](Script& s, const std::string& hostile) {
                                      imapDeletionStart(s, true);
                                      s.expect("a004 UID STORE 12 +FLAGS (\\Deleted)")
                                          .sendLine("a004 NO " + hostile);
                                      s.expect("a005 LOGOUT").sendLine("a005 OK");
                                  }}),
    caseName);

} // namespace
} // namespace ombrix::test
