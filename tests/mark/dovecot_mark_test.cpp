// Marks made here against the private test Dovecot: they reach the server by
// UID, wait in ombrix.conf while it refuses, and go when the mails they name
// are gone. What the server holds is read with another client
// (scripts/mailbox-tool), never with Ombrix's own.

#include "check/check_run.h"
#include "check/recording_run_host.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/read_state_switches.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "delete/imap_replies.h"
#include "mark/mark_job.h"
#include "mark/mark_postbox.h"
#include "mark/pending_check.h"
#include "mark/pending_marks.h"
#include "mark/read_snapshot.h"
#include "support/dovecot.h"
#include "support/dovecot_account.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace ombrix::test {
namespace {

constexpr const char* kUser = "sybil";

class DovecotMarkTest : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (IsSkipped())
            return;
        useDovecotImapAccount(server(), kUser, directory_.path().string());
        setenv("SSL_CERT_FILE", server().caFile.c_str(), 1);
    }

    void TearDown() override {
        unsetenv("SSL_CERT_FILE");
        resetProcessState();
    }

    // A check run as the window starts it, on a thread of its own.
    void check(bool withPendingMarks = true) {
        RecordingRunHost host;
        std::thread([&host, withPendingMarks] {
            if (withPendingMarks)
                checkWithPendingMarks(host);
            else
                CheckThread(host);
        }).join();
        ASSERT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
    }

    static std::uint32_t uidOfRow(int row) { return *imapUidNumber(accounts[0].mails.uid(row)); }

    // As a command of the window or the command line: the flags change, then
    // what changed goes to the server. The deliveries, one per account.
    static std::vector<MarkDelivery> mark(const std::vector<int>& rows, bool read) {
        const ReadSnapshot before = ReadSnapshot::ofTable();
        for (const int row : rows)
            accounts[0].mails[row].read = read ? 1 : 0;
        std::vector<MarkDelivery> deliveries;
        const std::atomic<std::uint8_t> abort{0};
        for (const MarkJob& job : before.jobsSince(readProgramConf()))
            deliveries.push_back(deliverMarks(job, abort));
        return deliveries;
    }

    static SeenMarks pending() {
        return pendingMarksOf(readProgramConf(), keyringKeyOf(accounts[0]));
    }

    std::vector<std::uint32_t> seenOnServer() const { return seenUids(server(), kUser); }

    TempDir directory_;
};

TEST_F(DovecotMarkTest, MarksReachTheServerByUidAndUnmarksTakeSeenAway) {
    fillMailbox(server(), kUser, 5, "mark-a");
    check();
    ASSERT_EQ(accounts[0].mailCount, 5);
    EXPECT_EQ(mark({1, 3}, true), std::vector{MarkDelivery::Sent});
    std::vector<std::uint32_t> expected{uidOfRow(1), uidOfRow(3)};
    std::ranges::sort(expected);
    EXPECT_EQ(seenOnServer(), expected);

    // The server's first mail goes without a check here: every position
    // moves, the UIDs do not.
    const std::uint32_t firstUid = listMailbox(server(), kUser).mails.front().uid;
    deleteMails(server(), kUser, {1});
    int unreadRow = 0;
    while (accounts[0].mails[unreadRow].read != 0 || uidOfRow(unreadRow) == firstUid)
        ++unreadRow;
    EXPECT_EQ(mark({unreadRow}, true), std::vector{MarkDelivery::Sent});
    expected.push_back(uidOfRow(unreadRow));
    std::erase(expected, firstUid);
    std::ranges::sort(expected);
    EXPECT_EQ(seenOnServer(), expected);

    EXPECT_EQ(mark({1}, false), std::vector{MarkDelivery::Sent});
    std::erase(expected, uidOfRow(1));
    EXPECT_EQ(seenOnServer(), expected);
    EXPECT_TRUE(pending().empty());
}

TEST_F(DovecotMarkTest, ARefusedMarkWaitsInOmbrixConfUntilTheNextCheckSendsIt) {
    fillMailbox(server(), kUser, 4, "mark-b");
    check();
    accounts[0].password = "not the password";
    EXPECT_EQ(mark({2}, true), std::vector{MarkDelivery::Unreached});
    EXPECT_TRUE(seenOnServer().empty());
    EXPECT_EQ(pending(), (SeenMarks{accounts[0].uidValidity, {uidOfRow(2)}, {}}));
    // Kept in the file, for a restart as well.
    EXPECT_EQ(pendingMarksOf(loadProgramConf(programConfPath(programDirectory)),
                             keyringKeyOf(accounts[0])),
              pending());

    accounts[0].password = server().password(kUser);
    const std::uint32_t uid = uidOfRow(2);
    check();
    EXPECT_EQ(seenOnServer(), std::vector{uid});
    EXPECT_TRUE(pending().empty());
}

TEST_F(DovecotMarkTest, ANewUidValidityDropsThePendingMarkUnsent) {
    fillMailbox(server(), kUser, 3, "mark-c");
    check();
    accounts[0].password = "not the password";
    EXPECT_EQ(mark({0, 1, 2}, true), std::vector{MarkDelivery::Unreached});
    ASSERT_FALSE(pending().empty());

    // The same UIDs name three other mails now.
    fillMailbox(server(), kUser, 3, "mark-c2");
    ASSERT_NE(std::to_string(listMailbox(server(), kUser).uidValidity), accounts[0].uidValidity);
    accounts[0].password = server().password(kUser);
    const std::atomic<std::uint8_t> abort{0};
    sendPendingMarksOfTable(abort);
    EXPECT_TRUE(seenOnServer().empty());
    EXPECT_TRUE(pending().empty());
}

TEST_F(DovecotMarkTest, AnExpungedMailDropsItsPendingMarkAndTheOthersArrive) {
    fillMailbox(server(), kUser, 4, "mark-d");
    check();
    accounts[0].password = "not the password";
    const MailboxListing listing = listMailbox(server(), kUser);
    const std::uint32_t first = listing.mails[0].uid;
    const std::uint32_t third = listing.mails[2].uid;
    std::vector<int> rows;
    for (int row = 0; row < 4; ++row)
        if (uidOfRow(row) == first || uidOfRow(row) == third)
            rows.push_back(row);
    EXPECT_EQ(mark(rows, true), std::vector{MarkDelivery::Unreached});

    deleteMails(server(), kUser, {1});
    accounts[0].password = server().password(kUser);
    check();
    EXPECT_EQ(seenOnServer(), std::vector{third});
    EXPECT_TRUE(pending().empty());

    // A mark on a mail that a check has seen go since: the list has lost
    // the mail, and the mark is not kept.
    deleteMails(server(), kUser, {2}); // the third mail
    check(false);
    EXPECT_EQ(accounts[0].mailCount, 2);
    const MarkJob job =
        *markJobOf(accounts[0], readProgramConf(), {accounts[0].uidValidity, {third}, {}});
    EXPECT_FALSE(storePendingMarks(job));
    EXPECT_TRUE(pending().empty());
}

TEST_F(DovecotMarkTest, WithMarkOnServerOffNothingIsSentAndOmbrixConfStaysAsItWas) {
    fillMailbox(server(), kUser, 3, "mark-e");
    check();
    ASSERT_FALSE(updateProgramConf([](ProgramConf& conf) {
        setReadStateSwitches(conf, keyringKeyOf(accounts[0]), {true, false});
    }));
    const std::string confBefore = readBytes(programConfPath(programDirectory));
    EXPECT_TRUE(mark({0, 2}, true).empty());
    EXPECT_TRUE(seenOnServer().empty());
    EXPECT_EQ(readBytes(programConfPath(programDirectory)), confBefore);
}

TEST_F(DovecotMarkTest, ThePostboxKeepsMarksPendingWhileARunIsBusy) {
    fillMailbox(server(), kUser, 3, "mark-f");
    check();
    const ReadSnapshot before = ReadSnapshot::ofTable();
    accounts[0].mails[1].read = 1;
    std::vector<MarkJob> jobs = before.jobsSince(readProgramConf());
    ASSERT_EQ(jobs.size(), 1u);
    {
        MarkPostbox postbox;
        checkRunning = 1;
        postbox.post(jobs.front());
        postbox.waitUntilIdle();
        checkRunning = 0;
        EXPECT_TRUE(seenOnServer().empty());
        EXPECT_EQ(pending().seen, std::vector{uidOfRow(1)});
    }
    check();
    EXPECT_EQ(seenOnServer(), std::vector{uidOfRow(1)});
    EXPECT_TRUE(pending().empty());
}

} // namespace
} // namespace ombrix::test
