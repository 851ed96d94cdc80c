#include "delete_fixture.h"

#include <thread>

namespace ombrix::test {
namespace {

using ImapDeletionTest = DeleteRunTest;

void imapLogin(Script& s) {
    s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob secret").sendLine("a000 OK Logged in");
}

void imapSelect(Script& s, const std::string& validity) {
    s.expect("a001 SELECT INBOX")
        .send("* FLAGS (\\Answered \\Deleted \\Seen)\r\n* 3 EXISTS\r\n* OK [UIDVALIDITY " +
              validity + "] UIDs valid\r\na001 OK [READ-WRITE] Select completed.\r\n");
}

AccountRecord& withTwoMails(AccountRecord& a) {
    a.uidValidity = "1700000000";
    a.mailCount = 3;
    for (int i = 0; i < 3; ++i)
        a.serverPosition[i] = static_cast<std::uint32_t>(i);
    a.uid[0] = "11";
    a.uid[1] = "12";
    a.uid[2] = "13";
    return a;
}

TEST_F(ImapDeletionTest, FlagsEachSelectedUidThenClosesAndLogsOut) {
    Script s;
    imapLogin(s);
    imapSelect(s, "1700000000");
    s.expect("a002 UID STORE 13 +FLAGS (\\Deleted)").sendLine("a002 OK Store completed.");
    s.expect("a003 UID STORE 11 +FLAGS (\\Deleted)").sendLine("a003 NO cannot");
    s.expect("a004 CLOSE").sendLine("a004 OK Close completed.");
    s.expect("a005 LOGOUT").sendLine("* BYE").sendLine("a005 OK Logout completed.");
    LoopbackServer server(s);
    withTwoMails(account(server, true));

    // A refused STORE is not examined: the run goes on and ends clean.
    EXPECT_EQ(run({2, 0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(host_.calls(), (std::vector<std::string>{
                                 "stop alarms", "text Logging in...", "position 1", "icon 1",
                                 "tooltip deleting mail from server...", "close", "run done 100"}));
    expectCleanEnd();
    EXPECT_EQ(imapRefused, 0);
}

TEST_F(ImapDeletionTest, BlanksInAStoredUidAreRemoved) {
    Script s;
    imapLogin(s);
    imapSelect(s, "1700000000");
    s.expect("a002 UID STORE 12 +FLAGS (\\Deleted)").sendLine("a002 OK");
    s.expect("a003 CLOSE").sendLine("a003 OK");
    s.expect("a004 LOGOUT").sendLine("a004 OK");
    LoopbackServer server(s);
    withTwoMails(account(server, true)).uid[1] = " 1 2 ";

    EXPECT_EQ(run({1}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

TEST_F(ImapDeletionTest, AChangedUidValidityFlagsNothingButStillClosesAndLogsOut) {
    Script s;
    imapLogin(s);
    imapSelect(s, "1700000099");
    s.expect("a002 CLOSE").sendLine("a002 OK");
    s.expect("a003 LOGOUT").sendLine("a003 OK");
    LoopbackServer server(s);
    withTwoMails(account(server, true));

    EXPECT_EQ(run({0, 1}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "a002 UID").empty());
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{kInconsistentText});
    expectCleanEnd();
}

TEST_F(ImapDeletionTest, AbortDuringTheStoreLoopLogsOutWithoutClose) {
    Script s;
    imapLogin(s);
    imapSelect(s, "1700000000");
    s.expect("a002 UID STORE 11 +FLAGS (\\Deleted)").sendLine("a002 OK");
    s.expect("a003 UID STORE 12 +FLAGS (\\Deleted)"); // the user aborts while it is pending
    const std::size_t logoutStep = s.steps().size();
    s.expect("a004 LOGOUT").sendLine("a004 OK");
    LoopbackServer server(s);
    withTwoMails(account(server, true));

    DeleteOutcome outcome = DeleteOutcome::NotStarted;
    std::thread worker([&] { outcome = run({0, 1, 2}); });
    ASSERT_TRUE(server.waitUntilReached(logoutStep));
    abortRequest = 1;
    worker.join();

    EXPECT_EQ(outcome, DeleteOutcome::Aborted);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(linesStartingWith(server, "a004 CLOSE").empty());
    EXPECT_EQ(server.received().back(), "a004 LOGOUT");
    expectCleanEnd();
}

struct SelectFailure {
    const char* name;
    std::string reply;
    std::string errorText;
};

class ImapSelectFailureTest : public DeleteRunTest,
                              public ::testing::WithParamInterface<SelectFailure> {};

TEST_P(ImapSelectFailureTest, IsAFailureWithNothingFlagged) {
    Script s;
    imapLogin(s);
    s.expect("a001 SELECT INBOX").send(GetParam().reply);
    s.expect("a002 CLOSE").sendLine("a002 BAD no mailbox");
    s.expect("a003 LOGOUT").sendLine("a003 OK");
    LoopbackServer server(s);
    withTwoMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    expectFailedEnd(GetParam().errorText);
    EXPECT_EQ(imapRefused, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapSelectFailureTest,
    ::testing::Values(SelectFailure{"Refused", "a001 NO Mailbox is locked\r\n",
                                    "a001 NO Mailbox is locked\r\n"},
                      SelectFailure{"NoUidValidity", "* 3 EXISTS\r\na001 OK Select completed.\r\n",
                                    "No Serverresponse on NEXTUID"},
                      SelectFailure{"UidValidityWithoutDigits",
                                    "* OK [UIDVALIDITY ] odd\r\na001 OK Select completed.\r\n",
                                    "No Serverresponse on NEXTUID"}),
    caseName);

TEST_F(ImapDeletionTest, ARefusedLoginIsAFailure) {
    Script s;
    s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob secret");
    s.sendLine("a000 NO [AUTHENTICATIONFAILED] Authentication failed.");
    s.expect("a001 CLOSE").sendLine("a001 BAD not authenticated");
    s.expect("a002 LOGOUT").sendLine("a002 OK");
    LoopbackServer server(s);
    withTwoMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    expectFailedEnd("a000 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n");
}

// The password travels as an IMAP quoted string, as in the check.
TEST_F(ImapDeletionTest, APasswordWithBlanksIsQuoted) {
    Script s;
    s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob \"my \\\"pass\\\"\"");
    s.sendLine("a000 OK");
    imapSelect(s, "1700000000");
    s.expect("a002 UID STORE 11 +FLAGS (\\Deleted)").sendLine("a002 OK");
    s.expect("a003 CLOSE").sendLine("a003 OK");
    s.expect("a004 LOGOUT").sendLine("a004 OK");
    LoopbackServer server(s);
    withTwoMails(account(server, true)).password = "my \"pass\"";

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

} // namespace
} // namespace ombrix::test
