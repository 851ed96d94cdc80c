// The checks that do not wait for the interval: request coalescing, the
// response to a wake-up or the network's return, and logind's signal on a
// private bus starting a check through the real window.

#include "app/checker_dlg.h"
#include "app/instant_checks.h"
#include "app/recording_tray_shell.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "idle/idle_watcher.h"
#include "platform/fake_logind.h"
#include "platform/window_timers.h"
#include "res/menus.h"
#include "support/gui_wait.h"
#include "support/loopback_server.h"
#include "support/private_session_bus.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

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
    bool online = true;
    WakeResponse wake{watchers, probe.requests, timers, [this] { return now; },
                      [this] { return online; }};
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

// Woken up before the network, the check that fell due during the sleep
// failed every account: it waits for the network now, and runs as soon as it
// is back.
TEST_F(WakeResponseTest, AWakeUpWithoutNetworkWaitsForItBeforeTheCheck) {
    online = false;
    wake.goingToSleep();
    now += std::chrono::milliseconds(kPeriodMs) + 1min;
    wake.wokeUp();
    EXPECT_EQ(probe.started, 0) << "overdue, but the network is not back";
    EXPECT_TRUE(wake.waitingForNetwork());
    online = true;
    wake.backOnline();
    EXPECT_EQ(probe.started, 1);
    EXPECT_FALSE(wake.waitingForNetwork());

    online = false; // a short sleep: the settling check follows the network's return
    wake.goingToSleep();
    wake.wokeUp();
    EXPECT_FALSE(wake.checkPending());
    EXPECT_TRUE(wake.waitingForNetwork());
    online = true;
    wake.backOnline();
    EXPECT_TRUE(wake.checkPending());
    ASSERT_TRUE(test::processEventsUntil([&] { return probe.started == 2; }, kBound));
}

TEST_F(WakeResponseTest, ANetworkThatDoesNotComeBackIsWaitedForOnlyUpToTheBound) {
    WakeResponse bounded{
        watchers, probe.requests, timers, [this] { return now; }, [] { return false; }, 50ms};
    bounded.goingToSleep();
    now += std::chrono::milliseconds(kPeriodMs) + 1min;
    bounded.wokeUp();
    EXPECT_TRUE(bounded.waitingForNetwork());
    ASSERT_TRUE(test::processEventsUntil([&] { return probe.started == 1; }, kBound))
        << "the check runs, and shows what cannot be reached";
    EXPECT_FALSE(bounded.waitingForNetwork());
}

TEST(SleepWatch, WithoutABusNothingListensAndNothingWaits) {
    SleepWatch watch{QDBusConnection(QString())};
    EXPECT_FALSE(watch.listening());
}

// `count` connections of a server that idles until the client leaves, after
// those of `s`.
test::Script idleSessions(int count, const char* capabilities = "IMAP4rev1 IDLE",
                          test::Script s = {}) {
    for (int i = 0; i < count; ++i) {
        s.sendLine("* OK IMAP ready")
            .expect("a000 LOGIN bob secret")
            .sendLine("a000 OK Logged in")
            .expect("a001 CAPABILITY")
            .send(std::string("* CAPABILITY ") + capabilities + "\r\na001 OK done\r\n");
        if (std::string_view(capabilities).find("IDLE") == std::string_view::npos) {
            s.expect("a002 LOGOUT").sendLine("* BYE").expectClose();
            continue;
        }
        s.expect("a002 EXAMINE INBOX")
            .send("* 1 EXISTS\r\na002 OK [READ-ONLY] done\r\n")
            .expect("a003 IDLE")
            .sendLine("+ idling")
            .silent()
            .close();
    }
    return s;
}

// An account of user bob at the loopback server.
AccountRecord& addBobAccount(const test::LoopbackServer& server, std::uint8_t protocol = 1) {
    AccountRecord& account = accounts[accountCount++];
    clearAccount(account);
    account.host = server.host();
    account.port = server.port();
    account.user = "bob";
    account.password = "secret";
    account.protocol = protocol;
    return account;
}

class WatcherSetTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }

    void addAccount(const test::LoopbackServer& server, std::uint8_t protocol) {
        addBobAccount(server, protocol);
    }
    static ImapServer serverOf(const test::LoopbackServer& server) {
        return {server.host(), server.port(), false, "bob", "secret", std::nullopt};
    }
    // The watcher of the server idles on the server's n-th connection.
    bool idles(const test::LoopbackServer& server, int connection) {
        const IdleWatcher* watcher = watchers.watcherOf(serverOf(server));
        return watcher && watcher->idling() && server.connections() == connection;
    }

    WatcherSet watchers{[] {}};
};

TEST_F(WatcherSetTest, OneWatcherPerActiveImapAccountFollowingTheTable) {
    test::LoopbackServer first(idleSessions(3));
    test::LoopbackServer second(idleSessions(1));
    test::LoopbackServer pop3(test::Script{});
    addAccount(first, 1);
    addAccount(second, 1);
    addAccount(pop3, 0);
    addAccount(first, 1); // the same server and user: no second watcher
    watchers.update();
    EXPECT_EQ(watchers.watched().size(), 2u);
    ASSERT_TRUE(
        test::processEventsUntil([&] { return idles(first, 1) && idles(second, 1); }, kBound));

    accounts[1].deactivated = 1;
    watchers.update();
    EXPECT_EQ(watchers.watched(), std::vector{serverOf(first)});
    EXPECT_TRUE(idles(first, 1)) << "an unchanged account keeps its connection";

    watchers.leaveOut(0); // edited: row 3 names the same server and keeps it watched
    EXPECT_TRUE(idles(first, 1));
    accounts[3].deactivated = 1;
    watchers.update();
    EXPECT_TRUE(watchers.watched().empty()) << "the edited account is left alone";
    watchers.leaveOut(-1);
    ASSERT_TRUE(test::processEventsUntil([&] { return idles(first, 2); }, kBound));

    watchers.hold(); // a deletion run
    EXPECT_TRUE(watchers.watched().empty());
    watchers.release();
    ASSERT_TRUE(test::processEventsUntil([&] { return idles(first, 3); }, kBound));

    watchers.stopAll(); // quit
    watchers.update();
    EXPECT_TRUE(watchers.watched().empty());
    EXPECT_EQ(pop3.connections(), 0);
}

TEST_F(WatcherSetTest, AServerWithoutIdleIsNotWatchedAgain) {
    test::LoopbackServer server(idleSessions(1, "IMAP4rev1 UIDPLUS"));
    addAccount(server, 1);
    watchers.update();
    ASSERT_TRUE(test::processEventsUntil([&] { return watchers.watched().empty(); }, kBound));
    ASSERT_TRUE(server.waitUntilDone());
    watchers.update();
    EXPECT_TRUE(watchers.watched().empty());
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(WatcherSetTest, SwitchedOffNoWatcherRuns) {
    test::LoopbackServer server(test::Script{});
    addAccount(server, 1);
    test::changeProgramConf([](ProgramConf& conf) { conf.setSwitch(kConfIdle, false); });
    watchers.update();
    EXPECT_TRUE(watchers.watched().empty());
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(WatcherSetTest, APasswordStillToComeFromTheKeyringIsAwaitedNotTried) {
    test::LoopbackServer server(idleSessions(1));
    addAccount(server, 1);
    accounts[0].password.clear();
    keyringChosen = true;
    watchers.update();
    EXPECT_TRUE(watchers.watched().empty());
    EXPECT_EQ(server.connections(), 0);

    accounts[0].password = "secret"; // the keyring's answer
    watchers.update();
    EXPECT_TRUE(test::processEventsUntil([&] { return idles(server, 1); }, kBound));
}

// A connection whose login the server refuses.
test::Script& refusedLogin(test::Script& s) {
    s.sendLine("* OK IMAP ready")
        .expect("a000 LOGIN bob secret")
        .sendLine("a000 NO [AUTHENTICATIONFAILED] Authentication failed.")
        .close();
    return s;
}

// A refused login stops the server's watcher: no update, reconnect or
// wake-up logs in again, only a check run that logged in to the account or an
// edit of it does.
TEST_F(WatcherSetTest, ARefusedLoginWaitsForACheckThatLoggedInOrAnEdit) {
    test::Script s;
    refusedLogin(s);
    refusedLogin(s); // the check's login passed, the watcher's is refused again
    test::LoopbackServer server(idleSessions(1, "IMAP4rev1 IDLE", std::move(s)));
    addAccount(server, 1);
    watchers.update();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return watchers.refusedLogins() == std::vector{serverOf(server)}; }, kBound));
    watchers.update();
    watchers.reconnectAll();
    EXPECT_TRUE(watchers.watched().empty());
    EXPECT_EQ(server.connections(), 1);

    watchers.loginPassed(0);
    EXPECT_TRUE(watchers.refusedLogins().empty());
    ASSERT_TRUE(
        test::processEventsUntil([&] { return !watchers.refusedLogins().empty(); }, kBound));
    EXPECT_EQ(server.connections(), 2);

    watchers.leaveOut(0); // the user opens the account and saves it
    watchers.leaveOut(-1);
    ASSERT_TRUE(test::processEventsUntil([&] { return idles(server, 3); }, kBound));
    EXPECT_TRUE(watchers.refusedLogins().empty());
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
    instant.install();
    test::FakeLogind logind(bus.connect(QStringLiteral("logind")));
    ASSERT_TRUE(logind.registered());

    ASSERT_TRUE(logind.prepareForSleep(true));
    ASSERT_TRUE(logind.prepareForSleep(false));
    ASSERT_TRUE(test::processEventsUntil([&] { return checks == 1; }, kBound));
    ASSERT_TRUE(test::processEventsUntil([&] { return !window.runActive(); }, kBound));
    window.endSession();
}

// A server that idles and then announces a delivery.
test::Script pushSession() {
    test::Script s;
    s.sendLine("* OK IMAP ready")
        .expect("a000 LOGIN bob secret")
        .sendLine("a000 OK Logged in")
        .expect("a001 CAPABILITY")
        .send("* CAPABILITY IMAP4rev1 IDLE\r\na001 OK done\r\n")
        .expect("a002 EXAMINE INBOX")
        .send("* 1 EXISTS\r\na002 OK [READ-ONLY] done\r\n")
        .expect("a003 IDLE")
        .sendLine("+ idling")
        .sendLine("* 2 EXISTS")
        .silent()
        .close();
    return s;
}

class RefreshRecord final : public ListRefresher {
public:
    void refreshLists(RefreshMode mode) override { modes.push_back(mode); }
    std::vector<RefreshMode> modes;
};

class QuietPush : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
    }
    // After the test's window has saved its read flags into the directory.
    void TearDown() override { test::resetProcessState(); }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
};

TEST_F(QuietPush, AnIdlePushChecksWithoutAWaitDialogOverTheOpenWindow) {
    test::LoopbackServer server(pushSession());
    AccountRecord& account = addBobAccount(server);
    account.name = "imap";

    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    RefreshRecord lists;
    window.setListRefresher(&lists);
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::atomic<bool> gaveUp{false};
    window.setCheckRun([&](RunHost& host) {
        checkRunning = 1;
        started = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBound);
        while (!release && !(gaveUp = std::chrono::steady_clock::now() >= giveUp))
            std::this_thread::sleep_for(1ms);
        host.closeWaitDialog();
        host.armRunDone(10);
        checkRunning = 0;
    });
    InstantChecks instant(window, QDBusConnection(QString()));
    instant.install();
    window.OnCommand(res::kCmdOpenWindow);
    ASSERT_EQ(windowHidden, 0);

    instant.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return started.load(); }, kBound));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window.openWaitDialog(), nullptr);
    release = true;
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !window.runActive() && !window.handOverPending(); }, kBound));
    EXPECT_FALSE(gaveUp) << "the run was held up in a wait dialog";
    EXPECT_EQ(lists.modes, std::vector<RefreshMode>{RefreshMode::Full});
    window.endSession();
}

// The whole way from a check run's login to the watcher: the run tells its
// host, the window hands it to the watchers, the refused watcher starts again.
TEST_F(QuietPush, ACheckRunThatLoggedInStartsTheRefusedWatcherAgain) {
    test::Script s;
    refusedLogin(s);
    test::LoopbackServer server(idleSessions(1, "IMAP4rev1 IDLE", std::move(s)));
    AccountRecord& account = addBobAccount(server);
    windowHidden = 1;

    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    window.setCheckRun([](RunHost& host) {
        checkRunning = 1;
        host.accountLoggedIn(0);
        host.armRunDone(10);
        checkRunning = 0;
    });
    InstantChecks instant(window, QDBusConnection(QString()));
    instant.install();
    instant.start();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !instant.watchers().refusedLogins().empty(); }, kBound));
    EXPECT_EQ(server.connections(), 1);

    window.checkQuietly();
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            const IdleWatcher* watcher = instant.watchers().watcherOf(imapServerOf(account));
            return watcher && watcher->idling();
        },
        kBound));
    EXPECT_TRUE(instant.watchers().refusedLogins().empty());
    EXPECT_EQ(server.connections(), 2);
    window.endSession();
}

// Wi-Fi to cable, or a VPN coming up, while online: the watchers' connections
// went out the old way; they connect anew, not only when the network was
// lost and came back.
TEST_F(QuietPush, AnotherWayOutReconnectsTheWatchers) {
    test::LoopbackServer server(idleSessions(2));
    AccountRecord& account = addBobAccount(server);
    windowHidden = 1;
    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    InstantChecks instant(window, QDBusConnection(QString()));
    const auto idlesOn = [&](int connection) {
        const IdleWatcher* watcher = instant.watchers().watcherOf(imapServerOf(account));
        return watcher && watcher->idling() && server.connections() == connection;
    };
    instant.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return idlesOn(1); }, kBound));
    emit instant.network().routeChanged();
    ASSERT_TRUE(test::processEventsUntil([&] { return idlesOn(2); }, kBound));
    window.endSession();
}

} // namespace
} // namespace ombrix
