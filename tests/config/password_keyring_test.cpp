// Passwords moving between obx.dat and a real gnome-keyring-daemon: the move
// at start-up, the fetch before a run, and every way the keyring can fail
// without a password getting lost. Each suite runs in a process of its own
// (see ombrix_keyring_test).

#include "app/keyring_worker.h"
#include "check/check_run.h"
#include "check/recording_run_host.h"
#include "config/keyring_marks.h"
#include "config/keyring_removals.h"
#include "config/keyring_return.h"
#include "config/keyring_settling.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/recording_presenter.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/account_table_ops.h"
#include "core/keyring_directory.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "support/gui_wait.h"
#include "support/keyring_daemon.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QObject>
#include <gtest/gtest.h>
#include <optional>
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
    return {"pop.example.org", "me", "pop3", 995, keyringDirectory};
}
SecretKey secondKey() {
    return {"imap.example.net", "office", "imap", 143, keyringDirectory};
}

class PasswordKeyringFixture : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
        chooseKeyringFromConf(); // the directory's own items
    }

    // A new start of the program on the same directory, ombrix.conf read
    // from disk.
    void restart() {
        test::resetProcessState();
        programDirectory = dir.path().string();
        replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
        chooseKeyringFromConf(); // the directory's own items
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
    const SecretKey moved{"pop.example.com", "me2", "pop3", 995, keyringDirectory};
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

// Two program directories with the same account under one keyring: each has
// an item of its own, and what one does with it leaves the other's alone.
class KeyringDirectoriesTest : public PasswordKeyringTest {
protected:
    // A start of the program on `directory`, its files written anew.
    void startIn(const test::TempDir& directory, const std::string& settings) {
        test::writeBytes(directory / "obx.dat", settings);
        test::writeBytes(directory / "obx.msf", test::mailListFixture());
        test::writeBytes(directory / "obx.rd", test::readFlagFixture());
        startOn(directory);
    }
    void startOn(const test::TempDir& directory) {
        test::resetProcessState();
        programDirectory = directory.path().string();
        chooseKeyringFromConf();
        loadState();
    }

    // As the window deletes the first account and forgets its item.
    void deleteFirstAccount() {
        const SecretKey key = keyringKeyOf(accounts[0]);
        ASSERT_TRUE(removeAccount(0));
        ASSERT_TRUE(saveAllState());
        noteKeyringRemoval(key);
        removeNamedKeyringItem(key);
    }

    void TearDown() override {
        for (const test::TempDir* directory : {&dir, &other}) {
            keyringDirectory = canonicalKeyringDirectory(directory->path().string());
            PasswordKeyringTest::TearDown();
        }
        keyringDirectory.clear();
        PasswordKeyringTest::TearDown();
    }

    test::TempDir other;
};

TEST_F(KeyringDirectoriesTest, DeletingTheAccountInOneDirectoryLeavesTheOthersPassword) {
    startIn(dir, test::settingsFixture());
    ASSERT_TRUE(settlePasswordsNow(true));
    const SecretKey firstItem = firstKey();
    startIn(other, test::settingsFixture());
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_NE(firstKey().directory, firstItem.directory);
    EXPECT_EQ(lookupSecret(firstKey()).password, "pa=ss");

    startOn(dir);
    ASSERT_TRUE(settlePasswordsNow(true));
    ASSERT_NO_FATAL_FAILURE(deleteFirstAccount());
    EXPECT_EQ(lookupSecret(firstItem).outcome, SecretOutcome::NotFound);

    startOn(other);
    EXPECT_EQ(test::readBytes(other / "obx.dat"), blankedFixture());
    ASSERT_TRUE(settlePasswordsNow(false));
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
}

// An item stored before items named their directory: each directory that
// finds none of its own copies it, and it stays for the others.
TEST_F(KeyringDirectoriesTest, AnOlderItemIsCopiedAndStays) {
    SecretKey older = firstKey();
    older.directory.clear();
    ASSERT_EQ(storeSecret(older, "Ombrix: older", "old pass"), SecretOutcome::Done);
    startIn(dir, blankedFixture());
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(accounts[0].password, "old pass");
    EXPECT_EQ(accounts[0].passwordInKeyring, 1);
    EXPECT_EQ(lookupSecret(firstKey()).password, "old pass");
    EXPECT_EQ(lookupSecret(older).password, "old pass");

    ASSERT_NO_FATAL_FAILURE(deleteFirstAccount());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(older).password, "old pass") << "another directory may need it";

    startIn(other, blankedFixture());
    ASSERT_TRUE(settlePasswordsNow(false));
    EXPECT_EQ(accounts[0].password, "old pass");
    // The older item has no directory's; an item of a directory is no older one.
    EXPECT_EQ(clearSecret(older), SecretOutcome::Done);
    EXPECT_EQ(lookupSecret(firstKey()).password, "old pass");
    EXPECT_EQ(lookupSecret(older).outcome, SecretOutcome::NotFound);
}

// Which empty passwords are in the keyring: ombrix.conf marks them.
class KeyringMarksTest : public PasswordKeyringTest {
protected:
    std::string conf() const { return test::readBytes(dir / "ombrix.conf"); }

    static constexpr const char* kFirstMark = "keyringPassword/pop3/995/pop.example.org/me=yes\n";
    static constexpr const char* kSecondMark =
        "keyringPassword/imap/143/imap.example.net/office=yes\n";
    static constexpr const char* kMarked = "keyringPasswordsMarked=yes\n";

    // A third account whose password is empty, and a stray item under its
    // name that must not be taken for it.
    int addEmptyPasswordAccount() {
        const int slot = appendAccount({"empty", "pop.example.biz", "nobody", "", "110"});
        EXPECT_TRUE(saveState(SaveKind::SettingsFile));
        strayKey = keyringKeyOf(accounts[static_cast<std::size_t>(slot)]);
        EXPECT_EQ(storeSecret(strayKey, "stray", "not its password"), SecretOutcome::Done);
        return slot;
    }

    void TearDown() override {
        if (!strayKey.host.empty())
            clearSecret(strayKey);
        PasswordKeyringTest::TearDown();
    }

    SecretKey strayKey;
};

TEST_F(KeyringMarksTest, AnEmptyPasswordWithoutTheMarkIsAnEmptyPassword) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_NE(conf().find(kFirstMark), std::string::npos) << conf();
    EXPECT_NE(conf().find(kSecondMark), std::string::npos) << conf();
    EXPECT_NE(conf().find(kMarked), std::string::npos) << conf();

    const int slot = addEmptyPasswordAccount();
    ASSERT_GE(slot, 0);
    restart();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[slot].password, "");
    EXPECT_EQ(accounts[slot].passwordInKeyring, 0);
    const std::vector<PasswordAnswer> answers =
        fetchRunPasswords({}, keyringEntriesOf(readProgramConf()));
    EXPECT_EQ(runPasswordRefusal(answers, slot), std::nullopt); // never asked for
    EXPECT_EQ(accounts[slot].password, "");
}

// A directory an earlier version left: no marks, so every empty password
// may be in the keyring, until the keyring has answered for each once.
TEST_F(KeyringMarksTest, AnOlderDirectoryIsMarkedAtItsFirstAnsweredSettle) {
    ASSERT_EQ(storeSecret(firstKey(), "Ombrix: me", "pa=ss"), SecretOutcome::Done);
    startWithFixture(blankedFixture());
    const int slot = addEmptyPasswordAccount();
    ASSERT_EQ(clearSecret(strayKey), SecretOutcome::Done); // truly empty
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(accounts[0].password, "pa=ss");
    EXPECT_EQ(accounts[1].password, ""); // its item was never stored
    EXPECT_EQ(accounts[slot].password, "");
    EXPECT_NE(conf().find(kFirstMark), std::string::npos) << conf();
    EXPECT_EQ(conf().find(kSecondMark), std::string::npos) << conf();
    EXPECT_NE(conf().find(kMarked), std::string::npos) << conf();

    // From now on the unmarked ones are not asked for.
    ASSERT_EQ(storeSecret(secondKey(), "Ombrix: office", "late"), SecretOutcome::Done);
    restart();
    ASSERT_TRUE(settlePasswordsNow(true));
    EXPECT_EQ(accounts[1].password, "");
}

TEST_F(KeyringMarksTest, TheMarkFollowsEditsAndDeletions) {
    startWithFixture();
    ASSERT_TRUE(settlePasswordsNow(true));
    restart(); // the passwords not fetched yet

    // The server changed before the password came: the mark goes with it.
    SecretKey before = keyringKeyOf(accounts[0]);
    accounts[0].host = "pop.example.com";
    ASSERT_FALSE(accountChanged(accounts[0], before, "").has_value());
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    ASSERT_FALSE(keptPasswordFollowsEdit(before, accounts[0]));
    EXPECT_EQ(conf().find(kFirstMark), std::string::npos) << conf();
    EXPECT_NE(conf().find("keyringPassword/pop3/995/pop.example.com/me=yes\n"), std::string::npos)
        << conf();

    // A password typed anew is in obx.dat: no longer marked.
    before = keyringKeyOf(accounts[1]);
    accounts[1].password = "typed";
    ASSERT_FALSE(accountChanged(accounts[1], before, "").has_value());
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    ASSERT_FALSE(keptPasswordFollowsEdit(before, accounts[1]));
    EXPECT_EQ(conf().find(kSecondMark), std::string::npos) << conf();

    const SecretKey deleted = keyringKeyOf(accounts[0]);
    ASSERT_TRUE(removeAccount(0));
    ASSERT_FALSE(keptPasswordFollowsDeletion(deleted));
    EXPECT_EQ(conf().find("keyringPassword/"), std::string::npos) << conf();
    EXPECT_NE(conf().find(kMarked), std::string::npos) << conf();
    clearSecret(SecretKey{"pop.example.com", "me", "pop3", 995, keyringDirectory});
}

// The user chose the file after the passwords had gone into the keyring.
class PasswordsBackToFileTest : public PasswordKeyringTest {
protected:
    void startWithFileStore() {
        startWithFixture();
        ASSERT_TRUE(settlePasswordsNow(true));
        ASSERT_EQ(obxDat(), blankedFixture());
        restart();
        test::changeProgramConf([](ProgramConf& conf) { conf.set(kConfPasswordStore, "file"); });
        chooseKeyringFromConf();
    }

    // The desktop program's start-up, the question answered `answer`.
    void startDesktop(BoxAnswer answer) {
        boxes.answerNext(answer);
        worker.emplace(window, [this] { ++applied; });
        worker->start();
        ASSERT_TRUE(test::processEventsUntil([this] { return applied == 1; }));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{keyring_texts::returnQuestion()});
    }

    test::ScriptedMessagePresenter boxes;
    QObject window;
    int applied = 0;
    std::optional<KeyringWorker> worker;
};

TEST_F(PasswordsBackToFileTest, ACommandBringsThemBackAndRemovesTheItems) {
    ASSERT_NO_FATAL_FAILURE(startWithFileStore());
    ASSERT_TRUE(passwordsWaitInKeyring());
    const PasswordReturn returned = returnPasswordsToFile();
    EXPECT_EQ(returned.returned, 2);
    EXPECT_EQ(returned.left, 0);
    EXPECT_EQ(obxDat(), test::settingsFixture());
    EXPECT_EQ(lookupSecret(firstKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(secondKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(accounts[0].passwordInKeyring, 0);
    EXPECT_FALSE(passwordsWaitInKeyring());
    const std::string conf = test::readBytes(dir / "ombrix.conf");
    EXPECT_EQ(conf.find("keyringPassword/"), std::string::npos) << conf;
}

TEST_F(PasswordsBackToFileTest, TheDesktopAsksAndNoChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(startWithFileStore());
    ASSERT_NO_FATAL_FAILURE(startDesktop(BoxAnswer::No));
    EXPECT_EQ(obxDat(), blankedFixture());
    EXPECT_EQ(lookupSecret(firstKey()).password, "pa=ss");
    EXPECT_EQ(accounts[0].password, "pa=ss"); // fetched for the runs all the same
    EXPECT_EQ(accounts[1].password, "ab");
}

TEST_F(PasswordsBackToFileTest, TheDesktopAsksAndYesBringsThemBack) {
    ASSERT_NO_FATAL_FAILURE(startWithFileStore());
    ASSERT_NO_FATAL_FAILURE(startDesktop(BoxAnswer::Yes));
    EXPECT_EQ(obxDat(), test::settingsFixture());
    EXPECT_TRUE(test::processEventsUntil([] {
        return lookupSecret(firstKey()).outcome == SecretOutcome::NotFound &&
               lookupSecret(secondKey()).outcome == SecretOutcome::NotFound;
    }));
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
