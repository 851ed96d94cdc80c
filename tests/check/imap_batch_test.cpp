// The IMAP check's unknown mails in batches: UID FETCH over sets, sent ahead
// of the previous batch's completion, paired by UID; and the one-mail
// dialogue for whatever a batch left.

#include "check/imap_mail_batches.h"
#include "check_fixture.h"

#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::string_view kItems = " (UID RFC822.SIZE BODY.PEEK[HEADER] BODY.PEEK[TEXT]<0.4000>)";

std::string batchLiteral(const std::string& bytes) {
    return "{" + std::to_string(bytes.size()) + "}\r\n" + bytes;
}

// One mail's response as a server sends it for the batch's items.
std::string batchResponse(int number, int uid, const CannedMail& mail, int size) {
    return "* " + std::to_string(number) + " FETCH (UID " + std::to_string(uid) + " RFC822.SIZE " +
           std::to_string(size) + " BODY[HEADER] " + batchLiteral(mail.header()) +
           " BODY[TEXT]<0> " + batchLiteral("Hello there.\r\n") + ")\r\n";
}

std::string uidList(int first, int count, int firstUid) {
    std::string reply;
    for (int k = 0; k < count; ++k)
        reply += "* " + std::to_string(first + k) + " FETCH (UID " + std::to_string(firstUid + k) +
                 ")\r\n";
    return reply + "a004 OK Fetch completed.\r\n";
}

class ImapBatchTest : public CheckRunTest {
protected:
    void SetUp() override {
        CheckRunTest::SetUp();
        timeouts_.imapBatchMails = 2;
    }

    // Everything up to the UID list of `count` mails with UIDs from 11.
    static Script upToTheBatches(int count) {
        Script s;
        imapLoginSteps(s);
        imapStatus(s, "7", std::to_string(11 + count), std::to_string(count));
        s.expect("a004 FETCH 1:* UID").send(uidList(1, count, 11));
        return s;
    }

    static void expectRow(const AccountRecord& a, int i, const CannedMail& mail, int size) {
        EXPECT_EQ(a.mails.from(i), mail.from) << "row " << i;
        EXPECT_EQ(a.mails.subject(i), mail.subject) << "row " << i;
        EXPECT_EQ(a.mails[i].size, size) << "row " << i;
        EXPECT_THAT(a.mails.bodyPreview(i), HasSubstr("Hello there.")) << "row " << i;
    }
};

TEST_F(ImapBatchTest, TheNextBatchGoesOutBeforeThePreviousCompletesAndRowsPairByUid) {
    Script s = upToTheBatches(4);
    // Both batches must arrive before any answer: a client that waited for the
    // first completion would hang here.
    s.expect("a005 UID FETCH 11:12" + std::string(kItems));
    s.expect("a006 UID FETCH 13:14" + std::string(kItems));
    s.send(batchResponse(2, 12, kMailB, 202) + batchResponse(1, 11, kMailA, 101) +
           "a005 OK Fetch completed.\r\n" + batchResponse(4, 14, kMailD, 404) +
           batchResponse(3, 13, kMailC, 303) + "a006 OK Fetch completed.\r\n");
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 4);
    expectRow(a, 0, kMailA, 101);
    expectRow(a, 1, kMailB, 202);
    expectRow(a, 2, kMailC, 303);
    expectRow(a, 3, kMailD, 404);
    EXPECT_EQ(a.mails.uid(3), "14");
    EXPECT_EQ(newMailCount, 4);
}

// A server may run pipelined commands at once: the later batch's responses
// come before the earlier batch's completion (Dovecot does this).
TEST_F(ImapBatchTest, ResponsesOfALaterBatchBeforeTheEarliersCompletionFindTheirMails) {
    Script s = upToTheBatches(4);
    s.expect("a005 UID FETCH 11:12" + std::string(kItems));
    s.expect("a006 UID FETCH 13:14" + std::string(kItems));
    s.send(batchResponse(1, 11, kMailA, 101) + batchResponse(3, 13, kMailC, 303) +
           batchResponse(2, 12, kMailB, 202) + batchResponse(4, 14, kMailD, 404) +
           "a005 OK Fetch completed.\r\na006 OK Fetch completed.\r\n");
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone()) << "no mail may be fetched again one at a time";
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    expectRow(a, 0, kMailA, 101);
    expectRow(a, 1, kMailB, 202);
    expectRow(a, 2, kMailC, 303);
    expectRow(a, 3, kMailD, 404);
}

TEST_F(ImapBatchTest, ItemsSplitOverResponsesAndFlagUpdatesBesideThemMakeTheRow) {
    timeouts_.imapBatchMails = 100;
    Script s = upToTheBatches(2);
    s.expect("a005 UID FETCH 11:12" + std::string(kItems));
    s.send("* 1 FETCH (FLAGS (\\Seen))\r\n* 2 FETCH (UID 12 BODY[TEXT]<0> " +
           batchLiteral("Hello there.\r\n") +
           ")\r\n* 2 FETCH (UID 12 RFC822.SIZE 77 BODY[HEADER] " + batchLiteral(kMailB.header()) +
           ")\r\n" + batchResponse(1, 11, kMailA, 55) + "a005 OK Fetch completed.\r\n");
    s.expect("a006 LOGOUT").sendLine("a006 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    expectRow(a, 0, kMailA, 55);
    expectRow(a, 1, kMailB, 77);
}

// A refused batch, and a mail the batch did not answer for, go one mail at a
// time by message number, as a server without sets is asked.
TEST_F(ImapBatchTest, WhatABatchLeftIsFetchedOneMailAtATime) {
    Script s = upToTheBatches(4);
    s.expect("a005 UID FETCH 11:12" + std::string(kItems));
    s.expect("a006 UID FETCH 13:14" + std::string(kItems));
    s.send("a005 BAD Error in IMAP command UID FETCH: sets not taken\r\n" +
           batchResponse(3, 13, kMailC, 303) + "a006 OK Fetch completed.\r\n");
    s.expect("a007 FETCH 1 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(1, kMailA, "a007"));
    s.expect("a008 FETCH 1 RFC822.SIZE")
        .send("* 1 FETCH (RFC822.SIZE 101)\r\na008 OK Fetch completed.\r\n");
    s.expect("a009 FETCH 2 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(2, kMailB, "a009"));
    s.expect("a010 FETCH 2 RFC822.SIZE")
        .send("* 2 FETCH (RFC822.SIZE 202)\r\na010 OK Fetch completed.\r\n");
    s.expect("a011 FETCH 4 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(4, kMailD, "a011"));
    s.expect("a012 FETCH 4 RFC822.SIZE")
        .send("* 4 FETCH (RFC822.SIZE 404)\r\na012 OK Fetch completed.\r\n");
    s.expect("a013 LOGOUT").sendLine("a013 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    expectRow(a, 0, kMailA, 101);
    expectRow(a, 1, kMailB, 202);
    expectRow(a, 2, kMailC, 303);
    expectRow(a, 3, kMailD, 404);
    EXPECT_EQ(newMailCount, 4);
}

// Either way the account fails and keeps the list of the last check.
TEST_F(ImapBatchTest, AnExpungeOrABrokenOffBatchFailsTheAccountAndKeepsTheList) {
    struct Case {
        const char* name;
        std::string reply;
        std::string errorText;
    };
    const std::vector<Case> cases{
        {"expunge", batchResponse(1, 11, kMailA, 1) + "* 1 EXPUNGE\r\na005 OK Fetch completed.\r\n",
         "protocol error"},
        {"broken off", batchResponse(1, 11, kMailA, 1) + "* 2 FETCH (UID 12 BODY[HEADER] {900}\r\n",
         "mailserver does not respond"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetProcessState();
        windowHidden = 1;
        Script s = upToTheBatches(2);
        s.expect("a005 UID FETCH 11:12" + std::string(kItems)).send(c.reply).close();
        LoopbackServer server(s);
        AccountRecord& a = account(0, server, true);
        storeKnown(a, 0, "5", kMailC, 1);
        a.mailCount = 1;
        a.uidValidity = "7";
        a.uidNext = "6";

        runCheck();

        EXPECT_TRUE(server.waitUntilDone());
        EXPECT_EQ(a.errorFlag, 1);
        EXPECT_THAT(a.errorText, HasSubstr(c.errorText));
        ASSERT_EQ(a.mailCount, 1);
        EXPECT_EQ(a.mails.uid(0), "5");
        EXPECT_EQ(a.mails.subject(0), kMailC.subject);
    }
}

TEST(ImapUidSet, RunsOfConsecutiveUidsAreRangesAndTheRestStandAlone) {
    EXPECT_EQ(imapUidSet({11, 12, 13, 20, 22, 23}), "11:13,20,22:23");
    EXPECT_EQ(imapUidSet({7}), "7");
    EXPECT_EQ(imapUidSet({9, 8}), "9,8") << "a descending pair is no range";
}

} // namespace
} // namespace ombrix::test
