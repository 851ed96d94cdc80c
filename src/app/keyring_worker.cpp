#include "app/keyring_worker.h"

#include "config/keyring_removals.h"
#include "config/state_store.h"
#include "core/password_keyring.h"
#include "core/table_lock.h"
#include "oauth/account_sign_in.h"
#include "oauth/refresh_tokens.h"

namespace ombrix {

KeyringWorker::KeyringWorker(QObject& context, std::function<void()> applied)
    : context_(&context), applied_(std::move(applied)), thread_([this] { work(); }) {}

// The tasks not begun are dropped: a removal among them is named in
// ombrix.conf already, and a password not moved stays in obx.dat.
KeyringWorker::~KeyringWorker() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void KeyringWorker::settle() {
    const std::vector<SecretKey> removals = pendingKeyringRemovals(readProgramConf());
    std::vector<PasswordJob> jobs;
    {
        const TableAccess access;
        jobs = passwordJobs(false, removals);
    }
    if (jobs.empty() && removals.empty())
        return;
    post([context = context_, applied = applied_, jobs = std::move(jobs)] {
        std::vector<PasswordAnswer> answers = settlePasswords(jobs);
        removePendingKeyringItemsAfter(answers);
        QMetaObject::invokeMethod(
            context,
            [applied, answers = std::move(answers)] {
                bool moved = false;
                {
                    const TableAccess access;
                    moved = applyPasswordAnswers(answers);
                }
                // A check run blocks saving: the next save writes the field.
                if (moved)
                    saveState(SaveKind::SettingsFile);
                if (applied)
                    applied();
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
