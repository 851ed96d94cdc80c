// Passwords moving between obx.dat and a real gnome-keyring-daemon: the move
// at start-up, the fetch before a run, and every way the keyring can fail
// without a password getting lost. Each suite runs in a process of its own
// (see ombrix_keyring_test).

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
#include "core/account_table_ops.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "support/gui_wait.h"
#include "support/keyring_daemon.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <QObject>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace ombrix {
namespace {

using test::KeyringDaemon;

test::KeyringDaemon& sharedDaemon() {
    static KeyringDaemon daemon;
    return daemon;
}

// The fixture's obx.dat with both password fields empty, as the keyring
// leaves it: nothing else may change.
std::string blankedFixture() {
    std::string text = test::settingsFixture();
    for (const std::string stored : {"pass =m^:pp\r\n", "pass =^_\r\n"})
        text.replace(text.find(stored), stored.size(), "pass =\r\n");
    return text;
}

SecretKey firstKey() {
    return {"pop.example.org", "me", "pop3", 995};
}
SecretKey secondKey() {
    return {"imap.example.net", "office", "imap", 143};
}

class PasswordKeyringFixture : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
        keyringChosen = true;
    }

    // A new start of the program on the same directory.
    void restart() {
        test::resetProcessState();
        programDirectory = dir.path().string();
        keyringChosen = true;
        loadState();
    }

    void startWithFixture(const std::string& settings = test::settingsFixture()) {
        test::writeBytes(dir / "obx.dat", settings);
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
        restart();
    }

    std::string obxDat() const { return test::readBytes(dir / "obx.dat"); }

    test::TempDir dir;
    test::RecordingPresenter messages;
};

class PasswordKeyringTest : public PasswordKeyringFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedDaemon().running())
            << "gnome-keyring-daemon: " << sharedDaemon().failure().toStdString();
        PasswordKeyringFixture::SetUp();
    }
    void TearDown() override {
        for (const SecretKey& key : {firstKey(), secondKey()})
            clearSecret(key);
    }
};

using PasswordKeyringWithoutServiceTest = PasswordKeyringFixture;
using PasswordKeyringLockedTest = PasswordKeyringFixture;

TEST_F(PasswordKeyringTest, StartUpMovesPasswordsAndTheNextStartFetchesThem) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(obxDat(), blankedFixture());
    EXPECT_EQ(lookupSecret(firstKey()).password, "pa=ss");
    EXPECT_EQ(lookupSecret(secondKey()).password, "ab");
    EXPECT_EQ(accounts[0].password, "pa=ss"); // still at hand for this run
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    EXPECT_EQ(keyringNotice(), "");

    restart();
    EXPECT_EQ(accounts[0].password, "");
    ASSERT_TRUE(settlePasswordsNow(false));
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[1].password, "ab");
    EXPECT_EQ(accounts[1].passwordInKeyring, 1);
    EXPECT_EQ(obxDat(), blankedFixture());
    EXPECT_TRUE(messages.texts.empty());
}

// `ombrix --accounts` beside the desktop program: it fetches the passwords to
// say where they live, and writes no file it does not hold.
TEST_F(PasswordKeyringTest, ACommandThatOnlyReadsWritesNothing) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    // As another program wrote it: bytes after the last value, which a save
    // of ours would leave out.
    const std::string written = blankedFixture() + "\r\n";
    test::writeBytes(dir / "obx.dat", written);
    restart();
    const auto inode = [this] {
        struct stat facts {};
        return ::stat((dir / "obx.dat").c_str(), &facts) == 0 ? facts.st_ino : 0;
    };
    const auto inodeBefore = inode();
    ASSERT_NE(inodeBefore, 0u);
    ASSERT_TRUE(settlePasswordsNow(false));
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    EXPECT_EQ(inode(), inodeBefore) << "obx.dat was written again";
    EXPECT_EQ(obxDat(), written);
}

TEST_F(PasswordKeyringTest, FileStoreLeavesTheKeyringAlone) {
    startWithFixture();
    test::changeProgramConf([](ProgramConf& conf) { conf.set(kConfPasswordStore, "file"); });
    chooseKeyringFromConf();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(obxDat(), test::settingsFixture());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
}

// Two accounts on one server and user: one item cannot hold both passwords,
// so neither moves and neither is overwritten.
TEST_F(PasswordKeyringTest, AccountsSharingAnItemKeepTheirPasswordsInTheFile) {
    startWithFixture();
    accounts[1].host = accounts[0].host;
    accounts[1].user = accounts[0].user;
    accounts[1].protocol = accounts[0].protocol;
    accounts[1].port = accounts[0].port;
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    const std::string before = obxDat();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(obxDat(), before);
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[1].password, "ab");
}

TEST_F(PasswordKeyringTest, CheckRunFailsAnAccountWhoseItemIsGone) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    ASSERT_EQ(clearSecret(firstKey()), SecretOutcome::Done);
    restart();
    test::RecordingRunHost host;
    windowHidden = 1; // no wait dialog
    CheckThread(host);
    // Its reason, not a failed connection: the server was never asked.
    EXPECT_EQ(accounts[0].errorFlag, 1);
    EXPECT_EQ(accounts[0].errorText, keyring_texts::passwordMissing());
    EXPECT_EQ(accounts[0].password, "");
    EXPECT_EQ(obxDat(), blankedFixture());
}

TEST_F(PasswordKeyringTest, EditedAccountGoesBackToTheFileAndNamesItsOldItem) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    const SecretKey before = keyringKeyOf(accounts[0]);
    accounts[0].password = "new";
    // The item under the same key still holds "pa=ss": it is named, and
    // the removal judges whether it is an older password by then.
    const std::optional<SecretKey> old = accountChanged(accounts[0], before, "pa=ss");
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->host, "pop.example.org");
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(lookupSecret(firstKey()).password, "new");

    accounts[0].host = "pop.example.com";
    const std::optional<SecretKey> stale = accountChanged(accounts[0], before, "new");
    ASSERT_TRUE(stale.has_value());
    EXPECT_EQ(stale->host, "pop.example.org");
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
    EXPECT_EQ(clearSecret(keyringKeyOf(accounts[0])), SecretOutcome::NotFound);
}

// The server changed (the editor) before the start-up's fetch brought the
// password: it is still in the item of the old server, and goes with the
// account to the new one.
TEST_F(PasswordKeyringTest, AccountEditedBeforeItsPasswordCameKeepsIt) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    restart();
    ASSERT_EQ(accounts[0].password, "");
    const SecretKey before = keyringKeyOf(accounts[0]);
    accounts[0].host = "pop.example.com";
    EXPECT_FALSE(accountChanged(accounts[0], before, "").has_value()); // the item is needed
    const SecretKey between = keyringKeyOf(accounts[0]);
    accounts[0].user = "me2"; // edited twice before the keyring answered
    EXPECT_FALSE(accountChanged(accounts[0], between, "").has_value());
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));

    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    const SecretKey moved{"pop.example.com", "me2", "pop3", 995};
    EXPECT_EQ(lookupSecret(moved).password, "pa=ss");
    EXPECT_EQ(obxDat().find("pass =m^:pp"), std::string::npos);
    clearSecret(moved);
}

// No keyring on the bus: every password stays where it is, and the program
// says why once.
TEST_F(PasswordKeyringWithoutServiceTest, ThePasswordsStayInTheFile) {
    ASSERT_TRUE(test::sessionBusAvailable());
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(obxDat(), test::settingsFixture());
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
    EXPECT_EQ(keyringNotice(), keyring_texts::serviceMissing());
}

// An account whose password went to a keyring that is gone now fails with
// that reason; the others keep theirs.
TEST_F(PasswordKeyringWithoutServiceTest, AnAccountInTheKeyringFailsWithTheReason) {
    std::string settings = test::settingsFixture();
    settings.replace(settings.find("pass =m^:pp\r\n"), 13, "pass =\r\n");
    startWithFixture(settings);
    test::RecordingRunHost host;
    windowHidden = 1; // no wait dialog
    CheckThread(host);
    EXPECT_EQ(accounts[0].errorText, keyring_texts::passwordNoService());
    EXPECT_EQ(accounts[1].password, "ab");
    EXPECT_EQ(obxDat(), settings);
}

// The keyring locked and nobody to unlock it: nothing moves, nothing is lost.
TEST_F(PasswordKeyringLockedTest, LockedKeyringKeepsThePasswordsInTheFile) {
    ASSERT_TRUE(sharedDaemon().running())
        << "gnome-keyring-daemon: " << sharedDaemon().failure().toStdString();
    ASSERT_TRUE(test::lockDefaultCollection());

    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(obxDat(), test::settingsFixture());
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[1].password, "ab");
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
    EXPECT_EQ(keyringNotice(), keyring_texts::keyringLocked());
}

// The desktop program's keyring worker: the keyring is asked on a thread of
// its own, the answers are written and obx.dat saved on the window's thread.
using KeyringWorkerTest = PasswordKeyringTest;

TEST_F(KeyringWorkerTest, MovesThePasswordsBesideTheWindowAndForgetsADeletedAccount) {
    startWithFixture();
    QObject window;
    int applied = 0;
    std::thread::id appliedOn;
    KeyringWorker worker(window, [&] {
        ++applied;
        appliedOn = std::this_thread::get_id();
    });
    worker.settle();
    ASSERT_TRUE(test::processEventsUntil([&] { return applied == 1; }));
    EXPECT_EQ(appliedOn, std::this_thread::get_id());
    EXPECT_EQ(obxDat(), blankedFixture());
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    EXPECT_EQ(lookupSecret(firstKey()).password, "pa=ss");

    ASSERT_TRUE(removeAccount(0)); // deleted: its item is no account's any more
    worker.forget(firstKey());
    EXPECT_TRUE(test::processEventsUntil(
        [] { return lookupSecret(firstKey()).outcome == SecretOutcome::NotFound; }));
    EXPECT_EQ(lookupSecret(secondKey()).password, "ab"); // only the one named
}

} // namespace
} // namespace ombrix
