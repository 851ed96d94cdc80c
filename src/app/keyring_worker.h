#pragma once
// The desktop program's keyring calls, on a thread of their own: the keyring
// may take its time, or wait for the user to unlock it, and the window must
// not wait with it. The jobs are taken on the window thread, the keyring is
// asked on the worker, and the answers come back queued onto the window
// thread, where they are written into the table and obx.dat is saved.

#include "core/access_tokens.h"
#include "platform/secret_store.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ombrix {

class KeyringLockWatch;

class KeyringWorker {
public:
    // `context` lives on the window thread and outlives this object;
    // `applied` runs there after answers were written (to show the keyring's
    // notice).
    KeyringWorker(QObject& context, std::function<void()> applied);
    ~KeyringWorker(); // waits for the keyring call in progress, drops the rest
    KeyringWorker(const KeyringWorker&) = delete;
    KeyringWorker& operator=(const KeyringWorker&) = delete;

    // Window thread, at start-up: settle(). Where ombrix.conf asks for the
    // file while passwords are still in the keyring, the user is asked first
    // whether they go back into obx.dat (returnToFile() instead); No leaves
    // every file as it is (the passwords are fetched and stay in the keyring).
    void start();
    // Window thread: brings those passwords back into obx.dat and removes
    // their items once it is saved.
    void returnToFile();
    // Window thread: moves the passwords still in obx.dat into the keyring
    // and fetches the ones only there; then removes the items of deleted
    // accounts that are still named in ombrix.conf.
    void settle();
    // Window thread: removes a deleted account's item, named in ombrix.conf
    // first, so that a keyring that cannot remove it now, or the program's
    // end, leaves it for a later settle rather than in the keyring for good.
    void forget(const SecretKey& key);
    // Window thread: drops the refresh token (keyring or ombrix.conf) and the
    // access token of an OAuth sign-in that no account uses any more; the
    // keyring item is named in ombrix.conf first, as with forget().
    void forgetSignIn(const TokenAccount& account);
    // Window thread, before start(): `changed` runs on the window thread
    // when a settle took an account's keyring error away, so that the
    // account list shows it.
    void onListsChanged(std::function<void()> changed) { listsChanged_ = std::move(changed); }
    // Window thread: hears from `watch` when the keyring's lock changed
    // (lockChanged()), for as long as both exist.
    void follow(KeyringLockWatch& watch);
    // Window thread: the keyring was locked or unlocked elsewhere (the
    // desktop's own prompt), or a keyring came onto the bus. Found open, a
    // dismissed unlock prompt is over and a settle fetches the passwords
    // that wait for it, as if the user had checked by hand; the accounts
    // that failed for want of them lose that error. Found locked: nothing.
    void lockChanged();

private:
    // False when there was nothing to settle (nothing posted).
    bool postSettle();
    void post(std::function<void()> task);
    void work();

    QObject* context_;
    std::function<void()> applied_;
    std::function<void()> listsChanged_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread thread_;
    QMetaObject::Connection following_;
    // Answers queued to the window thread see through it whether the worker
    // still exists (both live on that thread).
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace ombrix
