// The IMAP check where the account's read marks follow the server's \Seen,
// against scripted servers with and without CONDSTORE: the commands sent and
// the marks they leave.

#include "check/imap_flag_listing.h"
#include "check_fixture.h"
#include "core/commit_bracket.h"

#include <gmock/gmock.h>
#include <thread>

namespace ombrix::test {
namespace {

using ::testing::ElementsAre;

// Login whose reply names the capabilities of a server that keeps modseqs.
void condstoreLogin(Script& s) {
    s.sendLine("* OK IMAP ready")
        .expect("a000 LOGIN bob secret")
        .sendLine("a000 OK [CAPABILITY IMAP4rev1 IDLE CONDSTORE] Logged in");
}

// EXAMINE (CONDSTORE) with the given modseq, then both STATUS commands.
void condstoreStatus(Script& s, const std::string& modseq, const std::string& uidNext,
                     const std::string& messages) {
    s.expect("a001 EXAMINE INBOX (CONDSTORE)")
        .send("* FLAGS (\\Seen)\r\n* OK [UIDVALIDITY 7] UIDs valid\r\n* OK [HIGHESTMODSEQ " +
              modseq + "] Highest\r\na001 OK [READ-ONLY] Examine completed.\r\n");
    s.expect("a002 STATUS INBOX (UIDNEXT)")
        .send("* STATUS INBOX (UIDNEXT " + uidNext + ")\r\na002 OK Status completed.\r\n");
    s.expect("a003 STATUS INBOX (MESSAGES)")
        .send("* STATUS INBOX (MESSAGES " + messages + ")\r\na003 OK Status completed.\r\n");
}

class ImapReadStateTest : public CheckRunTest {
protected:
    // The list of an earlier check: uid 11 read, uid 12 unread, UIDVALIDITY 7,
    // UIDNEXT 13, read from a server at modseq `modseq` ("" for none).
    AccountRecord& checkedBefore(const LoopbackServer& server, const std::string& modseq = "") {
        AccountRecord& a = account(0, server, true);
        followServer(a, true);
        storeKnown(a, 0, "11", kMailA, 1);
        storeKnown(a, 1, "12", kMailB, 0);
        a.mailCount = 2;
        a.uidValidity = "7";
        a.uidNext = "13";
        a.highestModseq = modseq;
        a.checked = 1;
        return a;
    }
};

TEST_F(ImapReadStateTest, ListingWithoutCondstoreTakesEveryMarkFromTheFlags) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    // Another client unread 11 and read 12; 13 came and was read elsewhere.
    // A server may split a mail's items: 12's flags come without its UID.
    s.expect("a004 FETCH 1:* (UID FLAGS)")
        .send("* 1 FETCH (UID 11 FLAGS ())\r\n* 2 FETCH (UID 12)\r\n"
              "* 2 FETCH (FLAGS (\\Seen \\Answered))\r\n* 3 FETCH (FLAGS (\\Seen) UID 13)\r\n"
              "a004 OK Fetch completed.\r\n");
    s.expect("a005 FETCH 3 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(3, kMailC, "a005"));
    s.expect("a006 FETCH 3 RFC822.SIZE")
        .send("* 3 FETCH (RFC822.SIZE 4321)\r\na006 OK Fetch completed.\r\n");
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.uid(0), "11");
    EXPECT_EQ(a.mails[0].read, 0) << "unread elsewhere";
    EXPECT_EQ(a.mails[1].read, 1) << "read elsewhere";
    EXPECT_EQ(a.mails.bodyPreview(1), "stored preview") << "known mails are still copied";
    EXPECT_EQ(a.mails[2].read, 1);
    EXPECT_EQ(newMailCount, 0) << "a mail read elsewhere is no news";
    EXPECT_EQ(a.highestModseq, "") << "the server keeps no modseqs";
}

TEST_F(ImapReadStateTest, UnchangedMailboxWithoutCondstoreStillReadsEveryFlag) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "13", "2");
    s.expect("a004 FETCH 1:* (UID FLAGS)")
        .send("* 1 FETCH (UID 11 FLAGS ())\r\n* 2 FETCH (UID 12 FLAGS (\\Seen))\r\n"
              "a004 OK Fetch completed.\r\n");
    s.expect("a005 LOGOUT").sendLine("a005 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails[0].read, 0);
    EXPECT_EQ(a.mails[1].read, 1);
    EXPECT_EQ(a.mails.subject(1), kMailB.subject);
    EXPECT_EQ(a.mails.bodyPreview(0), "stored preview");
    EXPECT_EQ(newMailCount, 0);
}

TEST_F(ImapReadStateTest, UnchangedModseqStopsAtTheShortcut) {
    Script s;
    condstoreLogin(s);
    condstoreStatus(s, "40", "13", "2");
    s.expect("a004 LOGOUT").sendLine("a004 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, "40");

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(server.received(),
                ElementsAre("a000 LOGIN bob secret", "a001 EXAMINE INBOX (CONDSTORE)",
                            "a002 STATUS INBOX (UIDNEXT)", "a003 STATUS INBOX (MESSAGES)",
                            "a004 LOGOUT"));
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.mails[0].read, 1);
    EXPECT_EQ(a.mails[1].read, 0);
    EXPECT_EQ(a.highestModseq, "40");
}

TEST_F(ImapReadStateTest, ChangedModseqFetchesOnlyTheFlagsChangedSince) {
    Script s;
    condstoreLogin(s);
    condstoreStatus(s, "45", "13", "2");
    s.expect("a004 UID FETCH 1:* (FLAGS) (CHANGEDSINCE 40)")
        .send("* 2 FETCH (UID 12 MODSEQ (45) FLAGS (\\Seen))\r\na004 OK Fetch completed.\r\n");
    s.expect("a005 LOGOUT").sendLine("a005 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, "40");

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.mails[0].read, 1) << "not named: unchanged";
    EXPECT_EQ(a.mails[1].read, 1);
    EXPECT_EQ(a.highestModseq, "45");
}

TEST_F(ImapReadStateTest, RefusedChangedSinceFallsBackToEveryFlag) {
    Script s;
    condstoreLogin(s);
    condstoreStatus(s, "45", "13", "2");
    s.expect("a004 UID FETCH 1:* (FLAGS) (CHANGEDSINCE 40)").sendLine("a004 BAD Unknown modifier");
    s.expect("a005 FETCH 1:* (UID FLAGS)")
        .send("* 1 FETCH (UID 11 FLAGS ())\r\n* 2 FETCH (UID 12 FLAGS ())\r\n"
              "a005 OK Fetch completed.\r\n");
    s.expect("a006 LOGOUT").sendLine("a006 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, "40");

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.mails[0].read, 0);
    EXPECT_EQ(a.highestModseq, "45");
}

TEST_F(ImapReadStateTest, NewUidValidityMakesTheKnownModseqWorthless) {
    Script s;
    condstoreLogin(s);
    condstoreStatus(s, "40", "13", "2");
    s.expect("a004 FETCH 1:* (UID FLAGS)")
        .send("* 1 FETCH (UID 11 FLAGS (\\Seen))\r\n* 2 FETCH (UID 12 FLAGS ())\r\n"
              "a004 OK Fetch completed.\r\n");
    s.expect("a005 FETCH 1 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(1, kMailC, "a005"));
    s.expect("a006 FETCH 1 RFC822.SIZE")
        .send("* 1 FETCH (RFC822.SIZE 10)\r\na006 OK Fetch completed.\r\n");
    s.expect("a007 FETCH 2 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(2, kMailD, "a007"));
    s.expect("a008 FETCH 2 RFC822.SIZE")
        .send("* 2 FETCH (RFC822.SIZE 10)\r\na008 OK Fetch completed.\r\n");
    s.expect("a009 LOGOUT").sendLine("a009 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, "40");
    a.uidValidity = "6"; // the same modseq under another UIDVALIDITY says nothing

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails.subject(0), kMailC.subject);
    EXPECT_EQ(a.mails[0].read, 1);
    EXPECT_EQ(a.mails[1].read, 0);
    EXPECT_EQ(newMailCount, 1);
}

TEST_F(ImapReadStateTest, MarkChangedHereDuringTheRunOutweighsTheServer) {
    Script s;
    imapLoginSteps(s);                      // steps 0 to 2
    imapStatus(s, "7", "13", "2");          // steps 3 to 8
    s.expect("a004 FETCH 1:* (UID FLAGS)"); // step 9
    s.hold();                               // step 10
    s.send("* 1 FETCH (UID 11 FLAGS ())\r\n* 2 FETCH (UID 12 FLAGS ())\r\n"
           "a004 OK Fetch completed.\r\n");
    s.expect("a005 LOGOUT").sendLine("a005 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    std::thread run([this] { runCheck(); });
    const bool held = server.waitUntilReached(10);
    if (held) {
        const TableAccess access;
        a.mails[1].read = 1; // the user reads 12 while the run waits for the flags
    }
    server.release();
    run.join();

    EXPECT_TRUE(held);
    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.mails[0].read, 0) << "untouched here: the server's word";
    EXPECT_EQ(a.mails[1].read, 1) << "marked here during the run";
}

TEST_F(ImapReadStateTest, FlagsListingThatNamesNoUidFailsTheAccount) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    s.expect("a004 FETCH 1:* (UID FLAGS)")
        .send("* 1 FETCH (UID 11 FLAGS ())\r\n* 2 FETCH (UID 12 FLAGS ())\r\n"
              "* 3 FETCH (FLAGS ())\r\na004 OK Fetch completed.\r\n");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.mailCount, 2) << "the old list stays";
    EXPECT_EQ(a.mails[0].read, 1);
}

TEST(ImapFlagsHoldSeen, OnlyTheSystemFlagItselfCounts) {
    EXPECT_TRUE(imapFlagsHoldSeen("(\\Seen)"));
    EXPECT_TRUE(imapFlagsHoldSeen("(\\Answered \\SEEN $NotJunk)"));
    EXPECT_FALSE(imapFlagsHoldSeen("()"));
    EXPECT_FALSE(imapFlagsHoldSeen("(\\Seenless Seen $Seen)"));
    EXPECT_FALSE(imapFlagsHoldSeen("(\\Recent)"));
}

} // namespace
} // namespace ombrix::test
