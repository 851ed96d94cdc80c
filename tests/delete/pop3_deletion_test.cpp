#include "core/language.h"
#include "delete_fixture.h"

#include <thread>

namespace ombrix::test {
namespace {

using Pop3DeletionTest = DeleteRunTest;

// Message numbers of every width go out in full, in verification and in DELE.
class Pop3MessageNumberTest : public DeleteRunTest,
                              public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(Pop3MessageNumberTest, VerifiesAndDeletesByTheFullNumber) {
    const std::string n = std::to_string(GetParam());
    Script s;
    pop3LoginSteps(s);
    pop3Verify(s, n, "uid-" + n, "Report");
    s.expect("DELE " + n).sendLine("+OK marked");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, GetParam() - 1, "uid-" + n + "\r\n", "Report");

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.received(),
              (std::vector<std::string>{"USER bob", "PASS secret", "STAT", "NOOP", "UIDL " + n,
                                        "LIST " + n, "TOP " + n + " 100", "DELE " + n, "QUIT"}));
    expectCleanEnd();
    EXPECT_TRUE(boxes_.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Widths, Pop3MessageNumberTest,
                         ::testing::Values(9u, 10u, 99u, 100u, 1000u));

TEST_F(Pop3DeletionTest, VerifiesAllBeforeDeletingInSelectionOrderWithItsTexts) {
    Script s;
    pop3LoginSteps(s, "6 600");
    pop3Verify(s, "5", "u5", "Fifth");
    pop3Verify(s, "3", "u3", "Third");
    s.expect("DELE 5").sendLine("+OK").expect("DELE 3").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 2, "u3\r\n", "Third");
    listMail(a, 1, 4, "u5\r\n", "Fifth");

    EXPECT_EQ(run({1, 0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(host_.calls(),
              (std::vector<std::string>{
                  "stop alarms", "text Logging in...", "position 1", "icon 1",
                  "tooltip deleting mail from server...", "text Preparing mails to delete...",
                  "range 0..2", "position 0", "range 0..2", "position 1",
                  "text Deleting mail with subject - Fifth - ...", "position 0",
                  "text Deleting mail with subject - Third - ...", "position 1", "close",
                  "run done 100"}));
    expectCleanEnd();
}

TEST_F(Pop3DeletionTest, AMailArrivedBeforeTheSelectedOnesDeletesNothing) {
    Script s;
    pop3LoginSteps(s, "3 300");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 2").sendLine("+OK 2 u1"); // the old first mail moved up to 2
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 1, "u2\r\n", "Second");

    EXPECT_EQ(run({0}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "DELE").empty());
    EXPECT_EQ(server.received().back(), "QUIT");
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{kInconsistentText});
    EXPECT_EQ(boxes_.shown()[0].kind, BoxKind::Ok);
    expectCleanEnd(); // the list is marked unchecked and re-listed
}

// A difference in the second of two mails still stops everything before any DELE.
TEST_F(Pop3DeletionTest, ALaterMailThatDiffersStopsBeforeAnyDele) {
    Script s;
    pop3LoginSteps(s, "4 400");
    pop3Verify(s, "1", "u1", "First");
    pop3Verify(s, "4", "u4", "Changed subject");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 0, "u1\r\n", "First");
    listMail(a, 1, 3, "u4\r\n", "Fourth");

    EXPECT_EQ(run({0, 1}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "DELE").empty());
    EXPECT_EQ(boxes_.texts().size(), 1u);
}

struct NoUidlCase {
    const char* name;
    std::string serverSubject;
    bool deleted;
};

class Pop3WithoutUidlTest : public DeleteRunTest,
                            public ::testing::WithParamInterface<NoUidlCase> {};

// Without UIDL the subject decides.
TEST_P(Pop3WithoutUidlTest, TheSubjectDecides) {
    const std::string top = topReply(subjectLine(GetParam().serverSubject));
    Script s;
    pop3LoginSteps(s, "2 200");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 2").sendLine("-ERR unknown command");
    s.expect("LIST 2").sendLine("+OK 2 " + std::to_string(top.size()));
    s.expect("TOP 2 100").send(top);
    if (GetParam().deleted)
        s.expect("DELE 2").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 1, "NOUIDL", "Lunch");

    EXPECT_EQ(run({0}), GetParam().deleted ? DeleteOutcome::Done : DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(boxes_.texts().empty(), GetParam().deleted);
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(Subjects, Pop3WithoutUidlTest,
                         ::testing::Values(NoUidlCase{"SameSubject", "Lunch", true},
                                           NoUidlCase{"OtherSubject", "Dinner", false},
                                           NoUidlCase{"CaseDiffers", "lunch", false}),
                         caseName);

// A mail stored with a real id while the server now answers UIDL again with another.
TEST_F(Pop3DeletionTest, NoUidlStoredButTheServerNowReportsAnIdDiffers) {
    Script s;
    pop3LoginSteps(s, "1 100");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 1").sendLine("+OK 1 fresh-id");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "NOUIDL", "Lunch");

    EXPECT_EQ(run({0}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
}

// A mail listed with a unique id is proved by that id alone: a server that
// will not name the id now could hold another mail of the same subject at
// that position (another client deleted one before it), and that mail went.
TEST_F(Pop3DeletionTest, AStoredIdThatTheServerNoLongerNamesDeletesNothing) {
    Script s;
    pop3LoginSteps(s, "4 400");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 3").sendLine("-ERR [SYS/TEMP] try again later");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 2, "u3\r\n", "Daily report");

    EXPECT_EQ(run({0}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "DELE").empty());
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{kInconsistentText});
}

struct StaleReplyCase {
    const char* name;
    std::string uidlReply;
    std::string listReply;
};

class Pop3StaleReplyTest : public DeleteRunTest,
                           public ::testing::WithParamInterface<StaleReplyCase> {};

// A reply that is about another message (or none) proves nothing.
TEST_P(Pop3StaleReplyTest, IsADifference) {
    Script s;
    pop3LoginSteps(s, "9 900");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 7").sendLine(GetParam().uidlReply);
    if (!GetParam().listReply.empty())
        s.expect("LIST 7").sendLine(GetParam().listReply);
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 6, "u7\r\n", "Lunch");

    EXPECT_EQ(run({0}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "DELE").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Pop3StaleReplyTest,
    ::testing::Values(StaleReplyCase{"UidlOfAnotherNumber", "+OK 17 u7", ""},
                      StaleReplyCase{"UidlWithoutNumber", "+OK u7", ""},
                      StaleReplyCase{"UidlWithoutId", "+OK 7 ", ""},
                      StaleReplyCase{"NoSuchMessage", "-ERR no such message", ""},
                      StaleReplyCase{"ListOfAnotherNumber", "+OK 7 u7", "+OK 8 120"}),
    caseName);

TEST_F(Pop3DeletionTest, APositionBeyondTheMailboxDiffersWithoutAsking) {
    Script s;
    pop3LoginSteps(s, "2 200");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 4, "u5\r\n", "Lunch");

    EXPECT_EQ(run({0}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.received(),
              (std::vector<std::string>{"USER bob", "PASS secret", "STAT", "QUIT"}));
}

struct FailureCase {
    const char* name;
    int language;
    std::string lead;
};

class Pop3PassRefusedTest : public DeleteRunTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Pop3PassRefusedTest, ShowsTheServersReplyAsTheFailure) {
    Language = GetParam().language;
    Script s;
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("-ERR invalid password");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "Lunch");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    expectFailedEnd("-ERR invalid password", GetParam().lead);
}

// A refusal of any length and content reaches the user as one bounded line.
TEST_F(Pop3DeletionTest, AHugeRefusalIsShownBoundedOnOneLine) {
    Script s;
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("-ERR \x1b[2J" + std::string(200000, 'x'));
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "Lunch");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    const std::string& text = accounts[0].errorText;
    EXPECT_LE(text.size(), 300u);
    EXPECT_TRUE(text.starts_with("-ERR ?[2J")) << text.substr(0, 20);
    EXPECT_TRUE(std::ranges::none_of(text, [](char c) { return c >= 0 && c < 0x20; }));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, Pop3PassRefusedTest,
    ::testing::Values(FailureCase{"English", 1, "Could not delete mail, Error:\n"},
                      FailureCase{"German", 0, "Mail kann nicht gelöscht werden, Fehler:\n"}),
    caseName);

TEST_F(Pop3DeletionTest, ARefusedDeleStopsThePhaseAndQuitKeepsTheMarkedOnes) {
    Script s;
    pop3LoginSteps(s, "3 300");
    pop3Verify(s, "1", "u1", "One");
    pop3Verify(s, "2", "u2", "Two");
    pop3Verify(s, "3", "u3", "Three");
    s.expect("DELE 1").sendLine("+OK");
    s.expect("DELE 2").sendLine("-ERR mailbox is read-only");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 0, "u1\r\n", "One");
    listMail(a, 1, 1, "u2\r\n", "Two");
    listMail(a, 2, 2, "u3\r\n", "Three");

    EXPECT_EQ(run({0, 1, 2}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(linesStartingWith(server, "DELE"), (std::vector<std::string>{"DELE 1", "DELE 2"}));
    EXPECT_EQ(server.received().back(), "QUIT");
    expectFailedEnd("-ERR mailbox is read-only");
}

// The server removes marked mails only when it accepts QUIT: a QUIT that is
// refused or not answered leaves the deletion unconfirmed, not done.
struct QuitCase {
    const char* name;
    std::string reply;
    std::string serverText;
};

class Pop3QuitNotConfirmedTest : public DeleteRunTest,
                                 public ::testing::WithParamInterface<QuitCase> {};

TEST_P(Pop3QuitNotConfirmedTest, LeavesTheOutcomeIncomplete) {
    Script s;
    pop3LoginSteps(s, "1 100");
    pop3Verify(s, "1", "u1", "One");
    s.expect("DELE 1").sendLine("+OK").expect("QUIT").send(GetParam().reply);
    s.close();
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Incomplete);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(why_, "Not every selected mail was deleted, the server answered:\n" +
                        GetParam().serverText);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{why_});
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Pop3QuitNotConfirmedTest,
    ::testing::Values(QuitCase{"Refused", "-ERR [SYS/TEMP] some messages not removed\r\n",
                               "-ERR [SYS/TEMP] some messages not removed"},
                      QuitCase{"Unanswered", "", "mailserver does not respond"}),
    caseName);

// Only "+OK" to STAT lets the deletion go on, and only "+OK" to DELE marks a
// mail: a garbled answer ended the deletion as done with nothing deleted.
struct NotOkCase {
    const char* name;
    std::string statReply; // to STAT
    std::string deleReply; // to DELE 1, when STAT passed
    std::string errorText;
};

void PrintTo(const NotOkCase& c, std::ostream* out) {
    *out << c.name;
}

class Pop3NotOkTest : public DeleteRunTest, public ::testing::WithParamInterface<NotOkCase> {};

TEST_P(Pop3NotOkTest, FailsTheDeletionWithTheServersText) {
    const NotOkCase& c = GetParam();
    Script s;
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK logged in").expect("STAT").sendLine(c.statReply);
    if (!c.deleReply.empty()) {
        pop3Verify(s, "1", "u1", "One");
        s.expect("DELE 1").sendLine(c.deleReply);
    }
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    expectFailedEnd(c.errorText);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Pop3NotOkTest,
    ::testing::Values(NotOkCase{"StatGarbled", "\x01\x02garbage", "", "??garbage"},
                      NotOkCase{"StatRefused", "-ERR [IN-USE] locked", "", "-ERR [IN-USE] locked"},
                      NotOkCase{"DeleGarbled", "+OK 1 100", "\x7f garbage", "? garbage"},
                      NotOkCase{"DeleNeitherOkNorErr", "+OK 1 100", "+ marked", "+ marked"}),
    caseName);

// A DELE answer that is not "+..." is read once more: the second read decides.
TEST_F(Pop3DeletionTest, TheSecondReadOfADeleReplyDecides) {
    Script s;
    pop3LoginSteps(s, "1 100");
    pop3Verify(s, "1", "u1", "One");
    s.expect("DELE 1").sendLine("left over").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    expectCleanEnd();
}

TEST_F(Pop3DeletionTest, NoopResynchronisationSkipsTheRestOfAnEarlierReply) {
    Script s;
    pop3LoginSteps(s, "2 200");
    s.expect("NOOP").sendLine("rest of an earlier listing");
    s.sendLine("+OK");
    const std::string top = topReply(subjectLine("Two"));
    s.expect("UIDL 2").sendLine("+OK 2 u2");
    s.expect("LIST 2").sendLine("+OK 2 " + std::to_string(top.size()));
    s.expect("TOP 2 100").send(top);
    s.expect("DELE 2").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 1, "u2\r\n", "Two");

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

TEST_F(Pop3DeletionTest, AbortDuringVerificationSendsQuitAndNoDele) {
    Script s;
    pop3LoginSteps(s, "3 300");
    pop3Verify(s, "1", "u1", "One");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 2"); // never answered: the user presses the button meanwhile
    const std::size_t quitStep = s.steps().size();
    s.expect("QUIT");
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 0, "u1\r\n", "One");
    listMail(a, 1, 1, "u2\r\n", "Two");

    DeleteOutcome outcome = DeleteOutcome::NotStarted;
    std::thread worker([&] { outcome = run({0, 1}); });
    ASSERT_TRUE(server.waitUntilReached(quitStep));
    abortRequest = 1;
    worker.join();

    EXPECT_EQ(outcome, DeleteOutcome::Aborted);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "DELE").empty());
    EXPECT_EQ(server.received().back(), "QUIT");
    EXPECT_EQ(abortRequest, 1); // as the user left it
    expectCleanEnd();
}

class Pop3EmptySubjectTest : public DeleteRunTest, public ::testing::WithParamInterface<int> {};

// "Kein Betreff" in both languages, for a missing and for an empty Subject field.
TEST_P(Pop3EmptySubjectTest, ComparesAsKeinBetreff) {
    Language = GetParam();
    const std::string withEmpty = topReply(subjectLine(""));
    const std::string withoutField = topReply("");
    Script s;
    pop3LoginSteps(s, "2 200");
    s.expect("NOOP").sendLine("+OK").expect("UIDL 1").sendLine("+OK 1 u1");
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(withEmpty.size()));
    s.expect("TOP 1 100").send(withEmpty);
    s.expect("NOOP").sendLine("+OK").expect("UIDL 2").sendLine("+OK 2 u2");
    s.expect("LIST 2").sendLine("+OK 2 " + std::to_string(withoutField.size()));
    s.expect("TOP 2 100").send(withoutField);
    s.expect("DELE 1").sendLine("+OK").expect("DELE 2").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    listMail(a, 0, 0, "u1\r\n", "Kein Betreff");
    listMail(a, 1, 1, "u2\r\n", "Kein Betreff");

    EXPECT_EQ(run({0, 1}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(boxes_.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Languages, Pop3EmptySubjectTest, ::testing::Values(0, 1));

TEST_F(Pop3DeletionTest, APreviouslyFailedAccountEndsClean) {
    Script s;
    pop3LoginSteps(s, "1 100");
    pop3Verify(s, "1", "u1", "One");
    s.expect("DELE 1").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    AccountRecord& a = account(server);
    a.errorFlag = 1;
    a.errorText = "mailserver does not respond";
    listMail(a, 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    expectCleanEnd();
    for (const std::string& call : host_.calls())
        EXPECT_EQ(call.find("Could not delete"), std::string::npos) << call;
}

// A TOP reply far longer than the receive buffer is cut, never written past.
TEST_F(Pop3DeletionTest, AnOversizedTopReplyIsCutAtTheBuffer) {
    const std::string longField = "X-Long: " + std::string(400000, 'a') + "\r\n";
    const std::string top = topReply(subjectLine("Big") + longField);
    Script s;
    pop3LoginSteps(s, "1 100");
    s.expect("NOOP").sendLine("+OK").expect("UIDL 1").sendLine("+OK 1 u1");
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(top.size()));
    s.expect("TOP 1 100").send(top);
    s.expect("DELE 1").sendLine("+OK");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "Big");

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

TEST_F(Pop3DeletionTest, ASilentServerIsAFailureAfterItsTimeOut) {
    timeouts_.replyMs = 300;
    Script s;
    pop3LoginSteps(s, "1 100");
    s.expect("NOOP").sendLine("+OK").expect("UIDL 1");
    s.expect("QUIT");
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    expectFailedEnd("mailserver does not respond");
}

// A reply that the time-out cut short proves nothing, even when the subject
// came: the rest of it would still be on its way, read as the answer to DELE
// (a line of the mail's text that begins with "+OK" passed for the deletion).
TEST_F(Pop3DeletionTest, ATopReplyCutByTheTimeOutIsNoReplyAndDeletesNothing) {
    timeouts_.replyMs = 300;
    const std::string top = topReply(subjectLine("Report"));
    Script s;
    pop3LoginSteps(s, "1 100");
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL 1").sendLine("+OK 1 u1");
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(top.size()));
    s.expect("TOP 1 100").send(top.substr(0, top.find("\r\n\r\n") + 4) + "+OK gone\r\n");
    s.expect("QUIT");
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "Report");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "DELE").empty());
    expectFailedEnd("mailserver does not respond");
}

TEST_F(Pop3DeletionTest, NoConnectionIsAFailure) {
    {
        Script nothing;
        LoopbackServer gone(nothing);
        account(gone);
    } // the port is closed again
    listMail(accounts[0], 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    expectFailedEnd("could not connect to server (Connection refused)");
}

// With the window in the tray there is no wait dialog: the failure comes as a box.
TEST_F(Pop3DeletionTest, AHiddenWindowGetsTheFailureAsAMessageBox) {
    windowHidden = 1;
    waitDialogReady = 0;
    Script s;
    s.sendLine("+OK ready").expect("USER bob").sendLine("-ERR no such user");
    pop3Quit(s);
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "One");

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(boxes_.texts(),
              std::vector<std::string>{"Could not delete mail, Error:\n-ERR no such user"});
    EXPECT_EQ(host_.calls(), (std::vector<std::string>{"stop alarms", "icon 1",
                                                       "tooltip deleting mail from server..."}));
    EXPECT_EQ(closeOnButton, 1);
    EXPECT_EQ(deleteRunning, 0);
}

} // namespace
} // namespace ombrix::test
