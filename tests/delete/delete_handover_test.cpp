#include "delete/imap_flagging.h"
#include "delete/imap_replies.h"
#include "delete/pop3_replies.h"
#include "delete_fixture.h"

#include <memory>

namespace ombrix::test {
namespace {

class DeleteHandOverTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        for (int i = 0; i < 5; ++i)
            a->mails[i].serverPosition = static_cast<std::uint32_t>(10 + i);
        a->mailCount = 5;
    }

    std::unique_ptr<AccountRecord> a = std::make_unique<AccountRecord>();
};

TEST_F(DeleteHandOverTest, TakesRowsAndTheirServerPositionsInSelectionOrder) {
    const int rows[] = {3, 0, 4};
    const auto request = buildDeletionList(2, *a, rows);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->account, 2);
    EXPECT_EQ(request->mailIndex.size(), 3u);
    EXPECT_EQ(request->mailIndex, (std::vector<int>{3, 0, 4}));
    EXPECT_EQ(request->position, (std::vector<std::uint32_t>{13, 10, 14}));
    EXPECT_TRUE(deletionListValid(*request, *a));
}

TEST_F(DeleteHandOverTest, RefusesRowsOutsideTheList) {
    for (const int bad : {-1, 5, kMaxMails}) {
        const int rows[] = {0, bad};
        EXPECT_FALSE(buildDeletionList(0, *a, rows)) << bad;
    }
    EXPECT_FALSE(buildDeletionList(0, *a, std::span<const int>()));
    const std::vector<int> tooMany(kMaxMails + 1, 0);
    EXPECT_FALSE(buildDeletionList(0, *a, tooMany));
}

TEST_F(DeleteHandOverTest, ValidityFollowsTheListAtTheTimeOfTheRun) {
    const int rows[] = {1, 2};
    std::optional<DeletionRequest> request = buildDeletionList(0, *a, rows);
    ASSERT_TRUE(request);
    a->mailCount = 2; // a shorter list: row 2 is gone
    EXPECT_FALSE(deletionListValid(*request, *a));
    a->mailCount = 5;
    a->mails[1].serverPosition = 99; // re-sorted: row 1 is another mail now
    EXPECT_FALSE(deletionListValid(*request, *a));
    a->mails[1].serverPosition = 11;
    EXPECT_TRUE(deletionListValid(*request, *a));
    request->mailIndex[1] = 1; // the same mail twice
    request->position[1] = 11;
    EXPECT_FALSE(deletionListValid(*request, *a));
    request->mailIndex.clear();
    request->position.clear();
    EXPECT_FALSE(deletionListValid(*request, *a));
    request->mailIndex.assign(kMaxMails + 1, 0);
    request->position.assign(kMaxMails + 1, 11);
    EXPECT_FALSE(deletionListValid(*request, *a));
}

TEST(Pop3RepliesTest, MessageNumbersAreFullAndNeverWrap) {
    EXPECT_EQ(pop3MessageNumber(0), "1");
    EXPECT_EQ(pop3MessageNumber(999), "1000");
    EXPECT_EQ(pop3MessageNumber(UINT32_MAX), "4294967296");
}

TEST(Pop3RepliesTest, CurrentUidInTheStoredForm) {
    EXPECT_EQ(pop3CurrentUid("+OK 9 abc\r\n", "9"), "abc\r\n");
    EXPECT_EQ(pop3CurrentUid("-ERR no UIDL\r\n", "9"), "NOUIDL");
    EXPECT_EQ(pop3CurrentUid("+OK 19 abc\r\n", "9"), std::nullopt);
    EXPECT_EQ(pop3CurrentUid("+OK 9\r\n", "9"), std::nullopt);
    EXPECT_EQ(pop3CurrentUid("+OK 9 \r\n", "9"), std::nullopt);
    EXPECT_EQ(pop3CurrentUid("", "9"), std::nullopt);
    EXPECT_EQ(pop3CurrentUid("junk 9 abc\r\n", "9"), std::nullopt);
}

TEST(Pop3RepliesTest, UidStepAndStatCount) {
    EXPECT_TRUE(pop3UidPasses("abc\r\n", "abc\r\n"));
    EXPECT_FALSE(pop3UidPasses("NOUIDL", "abc\r\n")) << "a refusal does not name the id";
    EXPECT_TRUE(pop3UidPasses("NOUIDL", "NOUIDL"));
    EXPECT_FALSE(pop3UidPasses("abd\r\n", "abc\r\n"));
    EXPECT_FALSE(pop3UidPasses("abc\r\n", "NOUIDL"));
    EXPECT_EQ(pop3StatCount("+OK 1000 123456\r\n"), 1000u);
    EXPECT_EQ(pop3StatCount("+OK\r\n"), 0u);
    EXPECT_EQ(pop3StatCount("-ERR\r\n"), 0u);
}

TEST(Pop3RepliesTest, TopSubjectAsTheCheckListsIt) {
    EXPECT_EQ(pop3TopSubject(topReply(subjectLine("=?ISO-8859-1?Q?Gr=FC=DFe_aus_Bonn?="))),
              "Grüße aus Bonn");
    EXPECT_EQ(pop3TopSubject(topReply(subjectLine("=?windows-1252?Q?Preis:_100_=80?="))),
              "Preis: 100 €");
    // A folded subject is unfolded, exactly as the check stores it.
    EXPECT_EQ(pop3TopSubject(topReply(subjectLine("two\r\n lines"))), "two lines");
    EXPECT_EQ(pop3TopSubject(topReply("")), "Kein Betreff");
    EXPECT_EQ(pop3TopSubject("-ERR no such message\r\n"), "Kein Betreff");
}

TEST(ImapUidTest, OnlyASingleNumberIsSent) {
    EXPECT_TRUE(imapUidSendable("42"));
    EXPECT_TRUE(imapUidSendable(" 4 2 "));
    EXPECT_EQ(imapUidNumber(" 4 2 "), 42u);
    EXPECT_EQ(imapUidNumber("4294967295"), 4294967295u);
    for (const char* bad : {"", "   ", "1:*", "1,2", "*", "12a", "12345678901", "0", "4294967296"})
        EXPECT_FALSE(imapUidSendable(bad)) << bad;
}

// A hand-over that does not fit reaches no server: not even a connection.
class UnfitHandOverTest : public DeleteRunTest {};

TEST_F(UnfitHandOverTest, SendsNothingAndEndsAsInconsistent) {
    Script s;
    LoopbackServer server(s);
    AccountRecord& imap = account(server, true);
    imap.mailCount = 2;
    imap.mails.setUid(0, "1:*");
    imap.mails.setUid(1, "7");
    imap.mails[1].serverPosition = 1;
    EXPECT_EQ(run({0, 1}), DeleteOutcome::Inconsistent);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{kInconsistentText});

    imap.protocol = 0;
    imap.mails.setUid(0, "u1\r\n");
    const auto request = buildDeletionList(0, imap, std::vector<int>{0, 1});
    ASSERT_TRUE(request);
    imap.mailCount = 1; // the list changed after the command took the rows
    EXPECT_EQ(runDeletion(host_, *request, timeouts_).outcome, DeleteOutcome::Inconsistent);
    EXPECT_EQ(server.connections(), 0);
    expectCleanEnd();
}

TEST_F(UnfitHandOverTest, NoAccountOrAnActiveRunStartsNothing) {
    Script s;
    LoopbackServer server(s);
    listMail(account(server), 0, 0, "u1\r\n", "One");
    std::optional<DeletionRequest> request = buildDeletionList(0, accounts[0], std::vector<int>{0});
    ASSERT_TRUE(request);
    request->account = -1;
    EXPECT_EQ(runDeletion(host_, *request, timeouts_).outcome, DeleteOutcome::NotStarted);
    request->account = 1;
    EXPECT_EQ(runDeletion(host_, *request, timeouts_).outcome, DeleteOutcome::NotStarted);
    request->account = 0;
    checkRunning = 1;
    EXPECT_EQ(runDeletion(host_, *request, timeouts_).outcome, DeleteOutcome::NotStarted);
    checkRunning = 0;
    deleteRunning = 1;
    EXPECT_EQ(runDeletion(host_, *request, timeouts_).outcome, DeleteOutcome::NotStarted);
    EXPECT_EQ(deleteRunning, 1);
    EXPECT_TRUE(host_.calls().empty());
    EXPECT_EQ(server.connections(), 0);
}

} // namespace
} // namespace ombrix::test
