// A keyring item nobody uses any more (a deleted account's password, an
// edited account's old one, a forgotten sign-in's refresh token) when the
// keyring cannot remove it at once: locked, gone from the bus, or the
// program ending. The removal waits in ombrix.conf for the next settle and
// never takes the item of an account that exists again. Each suite runs in a process of its own
// (see ombrix_keyring_test): one stops and locks its daemon, one cancels every keyring call for
// good.

#include "app/keyring_worker.h"
#include "config/keyring_marks.h"
#include "config/keyring_removals.h"
#include "config/keyring_settling.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/recording_presenter.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "core/account_rules.h"
#include "core/account_table.h"
#include "core/account_table_ops.h"
#include "core/keyring_directory.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "oauth/refresh_tokens.h"
#include "oauth/token_broker.h"
#include "support/gui_wait.h"
#include "support/keyring_daemon.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <QObject>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::KeyringDaemon;

KeyringDaemon& ownDaemon() {
    static KeyringDaemon daemon;
    return daemon;
}

SecretKey firstKey() {
    return {"pop.example.org", "me", "pop3", 995, keyringDirectory};
}
SecretKey secondKey() {
    return {"imap.example.net", "office", "imap", 143, keyringDirectory};
}
// The first account after its server changed.
SecretKey movedKey() {
    return {"pop.example.com", "me", "pop3", 995, keyringDirectory};
}

const std::string kFirstPending = "keyringRemoval/pop3/995/pop.example.org/me=pending\n";

// A sign-in no account of the fixture uses.
const TokenAccount kSignIn{"google", "imap.gmail.com", "me@gmail.com", "imap", 993};
const std::string kSignInPending =
    "keyringRemoval/imap-oauth/993/imap.gmail.com/me@gmail.com=pending\n";

// The desktop's keyring worker with a window object to answer on.
class Worker {
public:
    Worker() : worker_(window_, [this] { ++applied_; }) {}

    // Settles and waits for its answers: every task posted before has run.
    bool settled() {
        const int before = applied_;
        worker_.settle();
        return test::processEventsUntil([&] { return applied_ > before; });
    }

    KeyringWorker& operator*() { return worker_; }
    KeyringWorker* operator->() { return &worker_; }

private:
    QObject window_;
    int applied_ = 0;
    KeyringWorker worker_;
};

class KeyringRemovalFixture : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ownDaemon().running() || ownDaemon().start())
            << "gnome-keyring-daemon: " << ownDaemon().failure().toStdString();
        test::writeBytes(dir / "obx.dat", test::settingsFixture());
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
        restart();
        ASSERT_TRUE(settlePasswordsNow(true)); // both passwords into the keyring
        ASSERT_EQ(lookupSecret(firstKey()).password, "pa=ss");
    }

    void TearDown() override {
        if (ownDaemon().running())
            for (const SecretKey& key :
                 {firstKey(), secondKey(), oauth::refreshTokenKey(kSignIn), movedKey()})
                clearSecret(key);
    }

    // A new start of the program on the same directory, ombrix.conf read
    // from disk.
    void restart() {
        test::resetProcessState();
        programDirectory = dir.path().string();
        chooseKeyringFromConf(); // the directory's own items
        replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
        loadState();
    }

    // As the window deletes the first account (the keyring's part apart).
    void deleteFirstAccount() {
        ASSERT_TRUE(removeAccount(0));
        ASSERT_TRUE(saveAllState());
    }

    std::string conf() const { return test::readBytes(dir / "ombrix.conf"); }

    // The account editor took a new password, server or user for the
    // first account; what the window does with the item then is `forget`.
    template <class Change> void editFirstAccount(KeyringWorker& worker, Change change) {
        const SecretKey before = keyringKeyOf(accounts[0]);
        const std::string passwordBefore = accounts[0].password;
        change(accounts[0]);
        const std::optional<SecretKey> stale = accountChanged(accounts[0], before, passwordBefore);
        ASSERT_TRUE(saveState(SaveKind::SettingsFile));
        if (stale)
            worker.forget(*stale);
    }

    // The first account's password changed while the keyring was locked;
    // then a new start with the keyring open again.
    void changePasswordWhileLocked() {
        ASSERT_TRUE(test::lockDefaultCollection());
        {
            Worker worker;
            editFirstAccount(*worker, [](AccountRecord& account) { account.password = "new"; });
            ASSERT_TRUE(worker.settled());
        }
        EXPECT_EQ(accounts[0].passwordInKeyring, 0);
        ASSERT_NE(conf().find(kFirstPending), std::string::npos) << conf();
        reopenKeyring();
        ASSERT_EQ(lookupSecret(firstKey()).password, "pa=ss") << "the locked keyring kept it";
    }

    // The sign-in's token in the keyring, forgotten while it was locked;
    // then a new start with the keyring open again.
    void forgetSignInWhileLocked() {
        ASSERT_TRUE(oauth::storeRefreshToken(kSignIn, "Ombrix OAuth: gone", "refresh-1"));
        ASSERT_TRUE(test::lockDefaultCollection());
        {
            Worker worker;
            worker->forgetSignIn(kSignIn);
            ASSERT_TRUE(worker.settled());
        }
        ASSERT_NE(conf().find(kSignInPending), std::string::npos) << conf();
        reopenKeyring();
        ASSERT_EQ(lookupSecret(oauth::refreshTokenKey(kSignIn)).password, "refresh-1");
    }

    void reopenKeyring() {
        ownDaemon().stop();
        ASSERT_TRUE(ownDaemon().start()); // unlocked
        restart();
    }

    test::TempDir dir;
    test::RecordingPresenter messages;
};

using KeyringRemovalTest = KeyringRemovalFixture;

TEST_F(KeyringRemovalTest, ForgetInALockedKeyringIsDoneByTheNextStartsSettle) {
    ASSERT_TRUE(test::lockDefaultCollection());
    deleteFirstAccount();
    {
        Worker worker;
        worker->forget(firstKey());
        ASSERT_TRUE(worker.settled());
    }
    EXPECT_NE(conf().find(kFirstPending), std::string::npos) << conf();

    ownDaemon().stop();
    ASSERT_TRUE(ownDaemon().start()); // unlocked again
    ASSERT_EQ(lookupSecret(firstKey()).password, "pa=ss") << "the locked keyring kept it";
    restart();
    Worker worker;
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(secondKey()).password, "ab");
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
    EXPECT_TRUE(pendingKeyringRemovals(readProgramConf()).empty());
}

TEST_F(KeyringRemovalTest, ForgetWithoutAKeyringIsDoneByTheNextCommandsSettle) {
    ownDaemon().stop();
    deleteFirstAccount();
    {
        Worker worker;
        worker->forget(firstKey());
        ASSERT_TRUE(worker.settled());
    }
    EXPECT_NE(conf().find(kFirstPending), std::string::npos) << conf();

    ASSERT_TRUE(ownDaemon().start());
    restart();
    // A command that only reads leaves ombrix.conf to whoever holds the
    // directory.
    ASSERT_TRUE(settlePasswordsNow(false));
    EXPECT_EQ(lookupSecret(firstKey()).password, "pa=ss");
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(secondKey()).password, "ab");
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

// The user made the account again before the keyring came back: the item is
// the new account's, and the old removal must not take it.
TEST_F(KeyringRemovalTest, AccountMadeAgainKeepsItsItemAndTheRemovalIsDropped) {
    ownDaemon().stop();
    deleteFirstAccount();
    {
        Worker worker;
        worker->forget(firstKey());
        ASSERT_TRUE(worker.settled());
    }
    ASSERT_NE(conf().find(kFirstPending), std::string::npos) << conf();

    ASSERT_TRUE(ownDaemon().start());
    restart();
    ASSERT_GE(appendAccount({"again", "pop.example.org", "me", "new secret", "995", false, true}),
              0);
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    Worker worker;
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(firstKey()).password, "new secret");
    EXPECT_EQ(accounts[1].passwordInKeyring, 1);
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

// Made again without a password: the item still named for removal holds the
// deleted account's, which a run or a settle must not take for this one's.
TEST_F(KeyringRemovalTest, AccountMadeAgainWithoutAPasswordDoesNotTakeTheNamedItem) {
    ownDaemon().stop();
    deleteFirstAccount();
    {
        Worker worker;
        worker->forget(firstKey());
        ASSERT_TRUE(worker.settled());
    }
    ASSERT_TRUE(ownDaemon().start());
    restart();
    ASSERT_GE(appendAccount({"again", "pop.example.org", "me", "", "995", false, true}), 0);
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    ASSERT_EQ(lookupSecret(firstKey()).password, "pa=ss");

    const std::vector<PasswordAnswer> answers =
        fetchRunPasswords({}, keyringEntriesOf(readProgramConf()));
    EXPECT_EQ(accounts[1].password, "");
    EXPECT_EQ(accounts[1].passwordInKeyring, 0);
    EXPECT_EQ(runPasswordRefusal(answers, 1), keyring_texts::passwordMissing());

    Worker worker;
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(accounts[1].password, "");
    EXPECT_EQ(accounts[1].passwordInKeyring, 0);
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

// A password changed while the keyring was locked: the old password stays in
// the item, and the account's flag no longer says there is one.
TEST_F(KeyringRemovalTest, PasswordEditedInALockedKeyringLeavesItsItemToTheDeletion) {
    ASSERT_NO_FATAL_FAILURE(changePasswordWhileLocked());
    deleteFirstAccount();
    Worker worker;
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(secondKey()).password, "ab");
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

TEST_F(KeyringRemovalTest, PasswordEditedInALockedKeyringLeavesItsItemToTheServerChange) {
    ASSERT_NO_FATAL_FAILURE(changePasswordWhileLocked());
    Worker worker;
    editFirstAccount(*worker, [](AccountRecord& account) { account.host = "pop.example.com"; });
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(movedKey()).password, "new");
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

// The old item goes before the settle stores the new password in its place:
// the new one must stay, and a cleared password must not come back.
TEST_F(KeyringRemovalTest, PasswordEditedInAnOpenKeyringEndsInTheItemAlone) {
    Worker worker;
    editFirstAccount(*worker, [](AccountRecord& account) { account.password = "new"; });
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(firstKey()).password, "new");
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();

    editFirstAccount(*worker, [](AccountRecord& account) { account.password.clear(); });
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(accounts[0].password, "");
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

TEST_F(KeyringRemovalTest, SignInForgottenInALockedKeyringIsRemovedByTheNextSettle) {
    ASSERT_NO_FATAL_FAILURE(forgetSignInWhileLocked());
    Worker worker;
    ASSERT_TRUE(worker.settled());
    EXPECT_EQ(lookupSecret(oauth::refreshTokenKey(kSignIn)).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(firstKey()).password, "pa=ss");
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

// The sign-in stores its token before its account is in the table: the
// removal still named for the earlier sign-in must not take it.
TEST_F(KeyringRemovalTest, SignInMadeAgainKeepsItsTokenAndTheRemovalIsDropped) {
    ASSERT_NO_FATAL_FAILURE(forgetSignInWhileLocked());
    ASSERT_TRUE(oauth::processTokenBroker().signedIn(kSignIn, "Ombrix OAuth: again",
                                                     {"access-2", "refresh-2", 3600}));
    removePendingKeyringItems(); // as the next settle does
    EXPECT_EQ(lookupSecret(oauth::refreshTokenKey(kSignIn)).password, "refresh-2");
    EXPECT_EQ(conf().find("keyringRemoval"), std::string::npos) << conf();
}

// Quitting cancels every keyring call (an unlock prompt must not hold up the
// end); the removal queued then is on disk when the worker is gone.
using KeyringRemovalQuitTest = KeyringRemovalFixture;

TEST_F(KeyringRemovalQuitTest, RemovalQueuedAtTheQuitIsOnDiskAfterwards) {
    deleteFirstAccount();
    {
        Worker worker;
        cancelSecretCalls();
        worker->forget(firstKey());
    }
    EXPECT_NE(conf().find(kFirstPending), std::string::npos) << conf();
    const auto pending = pendingKeyringRemovals(loadProgramConf(programConfPath(programDirectory)));
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].host, "pop.example.org");
    EXPECT_EQ(pending[0].port, 995);
}

using KeyringRemovalSignInQuitTest = KeyringRemovalFixture;

TEST_F(KeyringRemovalSignInQuitTest, TokenRemovalQueuedAtTheQuitIsOnDiskAfterwards) {
    ASSERT_TRUE(oauth::storeRefreshToken(kSignIn, "Ombrix OAuth: gone", "refresh-1"));
    {
        Worker worker;
        cancelSecretCalls();
        worker->forgetSignIn(kSignIn);
    }
    EXPECT_NE(conf().find(kSignInPending), std::string::npos) << conf();
    const auto pending = pendingKeyringRemovals(loadProgramConf(programConfPath(programDirectory)));
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].protocol, "imap-oauth");
    EXPECT_EQ(pending[0].user, "me@gmail.com");
}

} // namespace
} // namespace ombrix
