// A locked keyring meets every account, every run and every OAuth retry:
// the user is asked once, the others wait on that answer, and a dismissed
// prompt is not shown again until a check by hand or the keyring unlocked.
// Counted on a real gnome-keyring-daemon, whose prompt nobody can answer on
// the test's bus (it comes back dismissed). Each suite runs in a process of
// its own (see ombrix_keyring_test).

#include "app/keyring_worker.h"
#include "check/check_run.h"
#include "check/recording_run_host.h"
#include "config/keyring_settling.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/recording_presenter.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/keyring_gate.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "oauth/refresh_tokens.h"
#include "platform/keyring_lock_watch.h"
#include "support/gui_wait.h"
#include "support/keyring_daemon.h"
#include "support/process_reset.h"
#include "support/secret_prompt_counter.h"
#include "support/temp_dir.h"

#include <QObject>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::KeyringDaemon;

KeyringDaemon& unlockDaemon() {
    static KeyringDaemon daemon;
    return daemon;
}

const TokenAccount kSignIn{"google", "imap.gmail.com", "me@gmail.com", "imap", 993};

class KeyringUnlockTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(unlockDaemon().running() || unlockDaemon().start())
            << "gnome-keyring-daemon: " << unlockDaemon().failure().toStdString();
        ASSERT_TRUE(counter.monitoring());
        test::writeBytes(dir / "obx.dat", test::settingsFixture());
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
        restart();
        ASSERT_TRUE(settlePasswordsNow(true)); // both passwords into the keyring
        restart();                             // and out of memory again
        ASSERT_EQ(accounts[0].password, "");
        ASSERT_EQ(counter.prompts(), 0);
    }

    // The next case starts on an unlocked keyring.
    void TearDown() override { unlockDaemon().stop(); }

    void restart() {
        test::resetProcessState();
        programDirectory = dir.path().string();
        chooseKeyringFromConf(); // the directory's own items
        replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
        loadState();
    }

    // The desktop's start-up: the keyring worker's settle, to its answers.
    void startUpSettle() {
        QObject window;
        int applied = 0;
        KeyringWorker worker(window, [&] { ++applied; });
        worker.settle();
        ASSERT_TRUE(test::processEventsUntil([&] { return applied == 1; }));
    }

    void checkRun() {
        test::RecordingRunHost host;
        windowHidden = 1; // no wait dialog
        CheckThread(host);
    }

    test::TempDir dir;
    test::RecordingPresenter messages;
    test::SecretPromptCounter counter;
};

// The desktop program's side of the keyring: its worker, following the
// keyring's lock changes as the program does.
struct DesktopKeyring {
    DesktopKeyring() {
        worker.onListsChanged([this] { ++listsChanged; });
        worker.follow(watch);
    }

    // Account 0's password came: its settle has been applied, the error
    // and the notice dealt with in the same turn.
    static bool passwordArrived() {
        return test::processEventsUntil([] { return accounts[0].password == "pa=ss"; }, 20000);
    }

    QObject window;
    int applied = 0;
    int listsChanged = 0;
    KeyringWorker worker{window, [this] { ++applied; }};
    KeyringLockWatch watch;
};

TEST_F(KeyringUnlockTest, OnePromptForStartUpRunsAndRetriesUntilACheckByHand) {
    ASSERT_TRUE(test::lockDefaultCollection());
    ASSERT_NO_FATAL_FAILURE(startUpSettle());
    checkRun();
    checkRun();
    EXPECT_EQ(oauth::loadRefreshToken(kSignIn).outcome, SecretOutcome::Locked);
    EXPECT_EQ(counter.prompts(), 1);
    EXPECT_EQ(accounts[0].errorFlag, 1); // the second is deactivated
    EXPECT_EQ(accounts[0].errorText, keyring_texts::passwordLocked());
    EXPECT_EQ(accounts[0].password, "");
    EXPECT_EQ(accounts[1].password, "");

    keyringGate().askAgain(); // the user checks by hand
    checkRun();
    EXPECT_EQ(counter.prompts(), 2);
    EXPECT_EQ(accounts[0].errorText, keyring_texts::passwordLocked());
    // Nothing was lost: obx.dat still says the passwords are in the keyring.
    restart();
    EXPECT_EQ(accounts[0].password, "");
}

// Unlocked meanwhile (by the user, elsewhere): the dismissal is over, and the
// next time the keyring is locked the user is asked again, once.
TEST_F(KeyringUnlockTest, AKeyringUnlockedMeanwhileMayAskAgain) {
    ASSERT_TRUE(test::lockDefaultCollection());
    checkRun();
    ASSERT_EQ(counter.prompts(), 1);

    unlockDaemon().stop();
    ASSERT_TRUE(unlockDaemon().start()); // unlocked
    restart();
    checkRun();
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(counter.prompts(), 1);

    restart();
    ASSERT_TRUE(test::lockDefaultCollection());
    checkRun();
    checkRun();
    EXPECT_EQ(counter.prompts(), 2);
    EXPECT_EQ(accounts[0].errorText, keyring_texts::passwordLocked());
}

// Dismissed, then unlocked from the desktop's own prompt: the password comes
// and "keyring locked" goes without a check by hand, and nobody was asked
// again.
TEST_F(KeyringUnlockTest, AnUnlockElsewhereBringsThePasswordsWithoutACheckByHand) {
    ASSERT_TRUE(test::lockDefaultCollection());
    DesktopKeyring desktop;
    desktop.worker.settle();
    ASSERT_TRUE(test::processEventsUntil([&] { return desktop.applied == 1; }));
    checkRun();
    ASSERT_EQ(accounts[0].errorText, keyring_texts::passwordLocked());
    ASSERT_EQ(keyringNotice(), keyring_texts::keyringLocked());
    ASSERT_EQ(counter.prompts(), 1);

    ASSERT_TRUE(test::unlockDefaultCollectionElsewhere());
    ASSERT_TRUE(desktop.passwordArrived());
    EXPECT_EQ(accounts[0].errorFlag, 0);
    EXPECT_EQ(accounts[0].errorText, "");
    EXPECT_EQ(desktop.listsChanged, 1);
    EXPECT_EQ(keyringNotice(), "");
    EXPECT_EQ(counter.prompts(), 1);
}

// The keyring goes and starts again unlocked (a new login): its passwords
// come, and the new keyring's lock changes are heard as the old one's were.
TEST_F(KeyringUnlockTest, AKeyringThatStartsAgainBringsThePasswordsAndIsHeard) {
    ASSERT_TRUE(test::lockDefaultCollection());
    DesktopKeyring desktop;
    desktop.worker.settle();
    ASSERT_TRUE(test::processEventsUntil([&] { return desktop.applied == 1; }));
    ASSERT_EQ(accounts[0].password, "");

    unlockDaemon().stop();
    ASSERT_TRUE(unlockDaemon().start());
    ASSERT_TRUE(desktop.passwordArrived());
    EXPECT_EQ(counter.prompts(), 1);

    restart(); // the password out of memory again
    ASSERT_TRUE(test::lockDefaultCollection());
    checkRun();
    ASSERT_EQ(counter.prompts(), 2); // the unlock ended the dismissal
    ASSERT_EQ(accounts[0].errorText, keyring_texts::passwordLocked());
    ASSERT_TRUE(test::unlockDefaultCollectionElsewhere());
    ASSERT_TRUE(desktop.passwordArrived());
    EXPECT_EQ(accounts[0].errorFlag, 0);
    EXPECT_EQ(counter.prompts(), 2);
}

} // namespace
} // namespace ombrix
