// Read marks in step with the real test Dovecot, which offers CONDSTORE:
// another client reads and unreads mails, the next check follows with as
// few commands as the modseq allows, and an IDLE watcher hears of it.
// User of this program: vera.

#include "check/dovecot_check.h"
#include "config/read_state_switches.h"
#include "core/password_keyring.h"
#include "idle/idle_watcher.h"
#include "idle/recording_watch_host.h"
#include "support/process_reset.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace ombrix::test {
namespace {

const std::string kReadStateUser = "vera";

// The read marks of the list in the server's order.
std::vector<int> readMarksInServerOrder(const AccountRecord& account) {
    std::vector<int> marks;
    for (const MailEntry& mail : inServerOrder(account))
        marks.push_back(mail.read);
    return marks;
}

int commandsHolding(const RunOutcome& outcome, const std::string& text) {
    return static_cast<int>(std::ranges::count_if(outcome.commands, [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    }));
}

class DovecotReadState : public DovecotTest, public testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }

    AccountRecord& account() {
        return configureAccount(0, server(), kReadStateUser, server().password(kReadStateUser),
                                GetParam());
    }
};

TEST_P(DovecotReadState, ReadsAndUnreadsElsewhereReachTheListThroughTheModseq) {
    fillMailbox(server(), kReadStateUser, 5, "read-state");
    AccountRecord& a = account();
    const RunOutcome first = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(first.newMails, 5);
    EXPECT_EQ(commandsHolding(first, "EXAMINE INBOX (CONDSTORE)"), 1);
    EXPECT_EQ(commandsHolding(first, "FETCH 1:* (UID FLAGS)"), 1);
    EXPECT_EQ(readMarksInServerOrder(a), (std::vector{0, 0, 0, 0, 0}));
    EXPECT_FALSE(a.highestModseq.empty());

    // Nothing changed: the shortcut, without a single FETCH.
    const RunOutcome unchanged = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(countCommands(unchanged, "FETCH"), 0);
    EXPECT_EQ(countCommands(unchanged, "UID"), 0);

    // Two of five read on the phone: only the changed flags are asked for.
    setSeen(server(), kReadStateUser, {2, 4}, true);
    const RunOutcome read = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(commandsHolding(read, "(FLAGS) (CHANGEDSINCE "), 1);
    EXPECT_EQ(countCommands(read, "FETCH"), 0) << "no listing, no mail fetched";
    EXPECT_EQ(read.newMails, 0);
    EXPECT_EQ(readMarksInServerOrder(a), (std::vector{0, 1, 0, 1, 0}));

    // And one of them unread again.
    setSeen(server(), kReadStateUser, {4}, false);
    const RunOutcome unread = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(commandsHolding(unread, "(CHANGEDSINCE "), 1);
    EXPECT_EQ(readMarksInServerOrder(a), (std::vector{0, 1, 0, 0, 0}));
}

TEST_P(DovecotReadState, NewMailReadElsewhereBeforeTheCheckComesInRead) {
    fillMailbox(server(), kReadStateUser, 3, "read-new");
    AccountRecord& a = account();
    ASSERT_EQ(runCheck(server().caFile).newMails, 3);
    addMail(server(), kReadStateUser, "read-new");
    setSeen(server(), kReadStateUser, {1, 4}, true);

    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(second.newMails, 0) << "the new mail was read elsewhere";
    EXPECT_EQ(readMarksInServerOrder(a), (std::vector{1, 0, 0, 1}));
    expectListMatchesServer(a, GetParam(), server(), kReadStateUser);
}

TEST_P(DovecotReadState, BothSwitchesOffKeepTheDescribedDialogueAndLocalMarks) {
    fillMailbox(server(), kReadStateUser, 3, "read-off");
    AccountRecord& a = account();
    test::changeProgramConf([&](ProgramConf& conf) {
        setReadStateSwitches(conf, keyringKeyOf(a), {false, false});
    });
    ASSERT_EQ(runCheck(server().caFile).newMails, 3);
    a.mails[0].read = 1; // read here

    setSeen(server(), kReadStateUser, {2}, true);
    addMail(server(), kReadStateUser, "read-off");
    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(commandsHolding(second, "CONDSTORE"), 0);
    EXPECT_EQ(commandsHolding(second, "FETCH 1:* UID"), 1);
    EXPECT_EQ(commandsHolding(second, "FLAGS"), 0);
    EXPECT_EQ(second.newMails, 1);
    const std::vector<MailEntry> mails = inServerOrder(a);
    ASSERT_EQ(mails.size(), 4u);
    EXPECT_EQ(mails[1].read, 0) << "the server's \\Seen is not followed";
    EXPECT_EQ(std::ranges::count(readMarksInServerOrder(a), 1), 1) << "the mark made here stays";
    EXPECT_TRUE(a.highestModseq.empty());
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotReadState, testing::Values(kImapPlain, kImapTls),
                         [](const auto& endpoint) { return std::string(endpoint.param.name); });

// Failure guard only: the wait ends as soon as the watcher idles.
bool waitUntilWatcherIdles(const IdleWatcher& watcher) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!watcher.idling() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return watcher.idling();
}

class DovecotReadPush : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }
};

TEST_F(DovecotReadPush, AMailReadElsewhereIsPushedAndTheCheckThatFollowsShowsIt) {
    fillMailbox(server(), kReadStateUser, 2, "read-push");
    AccountRecord& a = configureAccount(0, server(), kReadStateUser,
                                        server().password(kReadStateUser), kImapPlain);
    ASSERT_EQ(runCheck(server().caFile).newMails, 2);
    RecordingWatchHost host;
    WatchTimings timings;
    timings.pollMs = 20;
    IdleWatcher watcher(imapServerOf(a), host, timings, FlagChanges::Reported);
    ASSERT_TRUE(waitUntilWatcherIdles(watcher));

    setSeen(server(), kReadStateUser, {1}, true);
    ASSERT_TRUE(host.waitForChanges(1));
    runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(readMarksInServerOrder(a), (std::vector{1, 0}));
    watcher.join();
}

} // namespace
} // namespace ombrix::test
