#include "app/keyring_worker.h"

#include "config/keyring_marks.h"
#include "config/keyring_removals.h"
#include "config/keyring_return.h"
#include "config/state_store.h"
#include "core/commit_bracket.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "oauth/account_sign_in.h"
#include "oauth/refresh_tokens.h"
#include "platform/keyring_lock_watch.h"
#include "platform/message_box.h"

namespace ombrix {

KeyringWorker::KeyringWorker(QObject& context, std::function<void()> applied)
    : context_(&context), applied_(std::move(applied)), thread_([this] { work(); }) {}

// The tasks not begun are dropped: a removal among them is named in
// ombrix.conf already, and a password not moved stays in obx.dat.
KeyringWorker::~KeyringWorker() {
    QObject::disconnect(following_);
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void KeyringWorker::start() {
    // The return fetches what a settle would: with the file chosen nothing
    // moves into the keyring, and removals wait for passwordStore=auto.
    if (passwordsWaitInKeyring() &&
        messageBox(keyring_texts::returnQuestion(), BoxKind::YesNoQuestion) == BoxAnswer::Yes)
        returnToFile();
    else
        settle();
}

void KeyringWorker::returnToFile() {
    std::vector<PasswordJob> jobs;
    {
        const TableAccess access;
        jobs = passwordsToReturn(keyringEntriesOf(readProgramConf()));
    }
    if (jobs.empty())
        return;
    post([this, jobs = std::move(jobs)] {
        std::vector<PasswordAnswer> answers = settlePasswords(jobs);
        QMetaObject::invokeMethod(
            context_,
            [this, alive = std::weak_ptr<bool>(alive_), answers = std::move(answers)] {
                if (alive.expired())
                    return; // the worker has ended: the passwords stay in the keyring
                std::vector<SecretKey> returned;
                {
                    const TableAccess access;
                    returned = takeReturnedPasswords(answers);
                }
                // Saved, or the items stay: obx.dat does not hold the passwords.
                if (!returned.empty() && saveState(SaveKind::SettingsFile))
                    post([returned] { removeReturnedItems(returned); });
                if (applied_)
                    applied_();
            },
            Qt::QueuedConnection);
    });
}

void KeyringWorker::settle() {
    postSettle();
}

bool KeyringWorker::postSettle() {
    const KeyringEntries entries = keyringEntriesOf(readProgramConf());
    std::vector<PasswordJob> jobs;
    {
        const TableAccess access;
        jobs = passwordJobs(false, entries);
    }
    if (jobs.empty() && entries.removals.empty())
        return false;
    post([context = context_, applied = applied_, listsChanged = listsChanged_,
          jobs = std::move(jobs)] {
        std::vector<PasswordAnswer> answers = settlePasswords(jobs);
        markKeptPasswords(answers); // before obx.dat is saved without them
        removePendingKeyringItemsAfter(answers);
        QMetaObject::invokeMethod(
            context,
            [applied, listsChanged, answers = std::move(answers)] {
                bool moved = false;
                bool cleared = false;
                {
                    const TableAccess access;
                    moved = applyPasswordAnswers(answers);
                    cleared = clearKeyringRefusals(answers);
                }
                // A check run blocks saving: the next save writes the field.
                if (moved)
                    saveState(SaveKind::SettingsFile);
                if (cleared && listsChanged)
                    listsChanged();
                if (applied)
                    applied();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void KeyringWorker::follow(KeyringLockWatch& watch) {
    QObject::disconnect(following_);
    following_ = QObject::connect(&watch, &KeyringLockWatch::lockChanged, context_,
                                  [this] { lockChanged(); });
}

void KeyringWorker::lockChanged() {
    // Read on the worker: the keyring's answer may take its time.
    post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (!keyringGate().recheck())
            return;
        clearKeyringNotice(); // the settle notes again what is still wrong
        QMetaObject::invokeMethod(
            context_,
            [this, alive] {
                if (alive.expired())
                    return;
                // Nothing to fetch: the notice may still have gone.
                if (!postSettle() && applied_)
                    applied_();
            },
            Qt::QueuedConnection);
    });
}

void KeyringWorker::forget(const SecretKey& key) {
    noteKeyringRemoval(key);
    post([] { removePendingKeyringItems(); });
}

void KeyringWorker::forgetSignIn(const TokenAccount& account) {
    if (keyringChosen)
        noteKeyringRemoval(oauth::refreshTokenKey(account));
    post([account] { oauth::forgetSignIn(account); });
}

void KeyringWorker::post(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void KeyringWorker::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (stopping_)
            return;
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

} // namespace ombrix
