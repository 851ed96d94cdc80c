// IMAP IDLE against the test Dovecot, through the real window: a delivery
// during IDLE starts a check that lists the new mail, a kick from the server
// is followed by a new connection, and quitting ends the watchers.

#include "app/checker_dlg.h"
#include "app/instant_checks.h"
#include "app/recording_tray_shell.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/run_flags.h"
#include "idle/idle_watcher.h"
#include "support/dovecot.h"
#include "support/gui_wait.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace ombrix {
namespace {

// Failure guards only: every wait ends as soon as its condition holds.
constexpr int kIdleBound = 30000;
const std::string kUser = "peggy"; // a mailbox no other test program changes

class DovecotIdleTest : public test::DovecotTest {
protected:
    void SetUp() override {
        test::DovecotTest::SetUp();
        if (IsSkipped())
            return;
        test::resetProcessState();
        programDirectory = directory.path().string();
        windowHidden = 1;
        mails = test::fillMailbox(server(), kUser, 2, "idle");
        AccountRecord& account = accounts[accountCount++];
        clearAccount(account);
        account.name = kUser;
        account.host = server().host;
        account.port = std::to_string(server().imapPort);
        account.user = kUser;
        account.password = server().password(kUser);
        account.protocol = 1;

        window = std::make_unique<CCheckerDlg>(std::make_unique<test::RecordingTrayShell>());
        instant = std::make_unique<InstantChecks>(*window, QDBusConnection(QString()));
        instant->install();
        QObject::connect(window.get(), &CCheckerDlg::runOver, [this] { ++runsOver; });
    }
    void TearDown() override {
        if (window && !window->sessionEnded())
            window->endSession();
        instant.reset();
        window.reset();
        test::resetProcessState();
    }

    int mailCount() {
        const TableAccess access;
        return validMailCount(accounts[0]);
    }
    bool listsSubject(const std::string& subject) {
        const TableAccess access;
        for (int i = 0; i < validMailCount(accounts[0]); ++i)
            if (accounts[0].mails.subject(i) == subject)
                return true;
        return false;
    }
    const IdleWatcher* watcher() {
        return instant->watchers().watcherOf(imapServerOf(accounts[0]));
    }
    bool idlingOnConnection(int connection) {
        const IdleWatcher* w = watcher();
        return w && w->idling() && w->connections() == connection;
    }
    // The first check lists the mailbox as it is; the watcher starts after it.
    void checkOnceThenWatch() {
        window->checkNow();
        ASSERT_TRUE(test::processEventsUntil([&] { return runsOver == 1; }, kIdleBound));
        ASSERT_EQ(mailCount(), 2);
        instant->start();
        ASSERT_TRUE(test::processEventsUntil([&] { return idlingOnConnection(1); }, kIdleBound));
    }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
    std::vector<test::ManifestMail> mails;
    std::unique_ptr<CCheckerDlg> window;
    std::unique_ptr<InstantChecks> instant;
    int runsOver = 0;
};

TEST_F(DovecotIdleTest, ADeliveryDuringIdleStartsACheckThatListsTheNewMail) {
    checkOnceThenWatch();
    const test::ManifestMail added = test::addMail(server(), kUser, "idle-new");
    ASSERT_TRUE(
        test::processEventsUntil([&] { return runsOver >= 2 && mailCount() == 3; }, kIdleBound));
    EXPECT_TRUE(listsSubject(added.subject));
    EXPECT_EQ(watcher()->connections(), 1);
}

TEST_F(DovecotIdleTest, AKickFromTheServerIsFollowedByANewConnection) {
    checkOnceThenWatch();
    const std::string kick =
        "doveadm -c " + server().dir + "/dovecot.conf kick " + kUser + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(kick.c_str()), 0);
    ASSERT_TRUE(test::processEventsUntil([&] { return idlingOnConnection(2); }, kIdleBound));
}

TEST_F(DovecotIdleTest, QuitDuringIdleEndsTheWatchers) {
    checkOnceThenWatch();
    std::mutex mutex;
    std::condition_variable condition;
    bool ended = false;
    // A guard against a hang: quitting must not wait on the server.
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        if (!condition.wait_for(lock, std::chrono::milliseconds(kIdleBound),
                                [&] { return ended; })) {
            ADD_FAILURE() << "quit did not end the watchers";
            std::abort();
        }
    });
    window->endSession();
    {
        const std::lock_guard lock(mutex);
        ended = true;
    }
    condition.notify_all();
    guard.join();
    EXPECT_TRUE(instant->watchers().watched().empty());
    EXPECT_EQ(watcher(), nullptr);
}

TEST_F(DovecotIdleTest, SwitchedOffInOmbrixConfNoWatcherStarts) {
    test::changeProgramConf([](ProgramConf& conf) { conf.setSwitch(kConfIdle, false); });
    window->checkNow();
    ASSERT_TRUE(test::processEventsUntil([&] { return runsOver == 1; }, kIdleBound));
    instant->start();
    EXPECT_TRUE(instant->watchers().watched().empty());
    test::changeProgramConf([](ProgramConf& conf) { conf.setSwitch(kConfIdle, true); });
    instant->watchers().update();
    ASSERT_TRUE(test::processEventsUntil([&] { return idlingOnConnection(1); }, kIdleBound));
}

} // namespace
} // namespace ombrix
