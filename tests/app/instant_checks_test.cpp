// The checks that do not wait for the interval: request coalescing, the
// response to a wake-up or the network's return, and logind's signal on a
// private bus starting a check through the real window.

#include "app/checker_dlg.h"
#include "app/instant_checks.h"
#include "app/recording_tray_shell.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "platform/fake_logind.h"
#include "platform/window_timers.h"
#include "support/gui_wait.h"
#include "support/private_session_bus.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <atomic>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using namespace std::chrono_literals;

// Failure guards only: every wait ends as soon as its condition holds.
constexpr int kBound = 20000;

struct RequestsProbe {
    int started = 0;
    bool running = false;
    CheckRequests requests{[this] { ++started; }, [this] { return running; }};
};

TEST(CheckRequests, TheFirstStartsAtOnceAndTheNextTwoSecondsMakeOneMore) {
    RequestsProbe probe;
    probe.requests.request();
    EXPECT_EQ(probe.started, 1);
    probe.requests.request();
    probe.requests.request();
    EXPECT_EQ(probe.started, 1) << "no event ran: these came within the quiet time";
    EXPECT_TRUE(probe.requests.waitingForQuiet());
    ASSERT_TRUE(test::processEventsUntil([&] { return probe.started == 2; }, kBound));
    EXPECT_FALSE(probe.requests.waitingForQuiet());
}

TEST(CheckRequests, ARequestDuringARunStartsOneMoreCheckWhenItIsOver) {
    RequestsProbe probe;
    probe.running = true;
    probe.requests.request();
    EXPECT_EQ(probe.started, 0);
    EXPECT_TRUE(probe.requests.waitingForRun());
    probe.running = false;
    probe.requests.runEnded();
    ASSERT_TRUE(test::processEventsUntil([&] { return probe.started == 1; }, kBound));
    probe.requests.runEnded();
    EXPECT_FALSE(probe.requests.waitingForRun()) << "a run's end alone starts nothing";
}

class WakeResponseTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        timers.set(CheckTimer, kPeriodMs);
    }
    void TearDown() override { test::resetProcessState(); }

    static constexpr int kPeriodMs = 30 * 60000;
    RequestsProbe probe;
    WatcherSet watchers{[] {}};
    WindowTimers timers;
    std::chrono::system_clock::time_point now{std::chrono::hours(1000)};
    WakeResponse wake{watchers, probe.requests, timers, [this] { return now; }};
};

TEST_F(WakeResponseTest, ACheckFollowsAWakeUpOnceTheNetworkHadTimeToSettle) {
    const int before = timers.remainingTime(CheckTimer);
    wake.wokeUp();
    EXPECT_EQ(probe.started, 0);
    EXPECT_TRUE(wake.checkPending());
    EXPECT_GE(timers.remainingTime(CheckTimer), before) << "the period starts anew";
    EXPECT_EQ(timers.interval(CheckTimer), kPeriodMs);
    ASSERT_TRUE(test::processEventsUntil([&] { return probe.started == 1; }, kBound));
}

TEST_F(WakeResponseTest, ACheckThatFellDueDuringTheSleepRunsAtOnce) {
    wake.goingToSleep();
    now += std::chrono::milliseconds(kPeriodMs) + 1min;
    wake.wokeUp();
    EXPECT_EQ(probe.started, 1);
    EXPECT_FALSE(wake.checkPending());
}

TEST_F(WakeResponseTest, AShortSleepWaitsForTheSettlingCheck) {
    wake.goingToSleep();
    now += 1min;
    wake.wokeUp();
    EXPECT_EQ(probe.started, 0);
    EXPECT_TRUE(wake.checkPending());
}

TEST_F(WakeResponseTest, TheNetworksReturnChecksButKeepsThePeriod) {
    timers.set(CheckTimer, kPeriodMs);
    wake.backOnline();
    EXPECT_EQ(probe.started, 0);
    EXPECT_TRUE(wake.checkPending());
    ASSERT_TRUE(test::processEventsUntil([&] { return probe.started == 1; }, kBound));
}

TEST(SleepWatch, WithoutABusNothingListensAndNothingWaits) {
    SleepWatch watch{QDBusConnection(QString())};
    EXPECT_FALSE(watch.listening());
}

class FakeLogindTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        windowHidden = 1;
        AccountRecord& account = accounts[accountCount++];
        clearAccount(account);
        account.name = "pop";
        account.protocol = 0; // no watcher: only the wake-up may start the check
    }
    void TearDown() override { test::resetProcessState(); }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
    test::PrivateSessionBus bus;
};

TEST_F(FakeLogindTest, WakingUpStartsACheck) {
    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    std::atomic<int> checks{0};
    window.setCheckRun([&](RunHost&) { ++checks; });
    InstantChecks instant(window, bus.connect(QStringLiteral("program")));
    WindowHooks hooks;
    instant.install(hooks);
    window.setHooks(std::move(hooks));
    test::FakeLogind logind(bus.connect(QStringLiteral("logind")));
    ASSERT_TRUE(logind.registered());

    ASSERT_TRUE(logind.prepareForSleep(true));
    ASSERT_TRUE(logind.prepareForSleep(false));
    ASSERT_TRUE(test::processEventsUntil([&] { return checks == 1; }, kBound));
    ASSERT_TRUE(test::processEventsUntil([&] { return !window.runActive(); }, kBound));
    window.endSession();
}

} // namespace
} // namespace ombrix
