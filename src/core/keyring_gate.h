#pragma once
// The one unlock of a locked keyring that the whole process shares. Every
// account's password, every refresh token and every removal would otherwise
// ask the user on its own: at start-up, at each check and from each OAuth
// watcher's retries. Here the first caller that meets the locked keyring has
// its prompt shown, every other one waits on that same answer, and once the
// user dismissed it nobody asks again until the user checks by hand or the
// keyring is found unlocked (read by a caller, or after the keyring said its
// lock changed).

#include "platform/secret_store.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace ombrix {

// How long a caller waits for the user's answer. A run passes its abort flag
// and its reply time-out; the prompt stays open when it gives up, and a
// later caller waits on the same one.
struct KeyringWait {
    const std::atomic<std::uint8_t>* abort = nullptr;
    std::chrono::milliseconds limit = std::chrono::milliseconds::max();
};

class KeyringGate {
public:
    // The keyring as the gate sees it; tests put a double in.
    struct Calls {
        std::function<KeyringLock()> lockState;
        std::function<SecretOutcome()> unlock;
    };

    explicit KeyringGate(Calls calls);
    ~KeyringGate(); // waits for a prompt still open: tests answer theirs first
    KeyringGate(const KeyringGate&) = delete;
    KeyringGate& operator=(const KeyringGate&) = delete;

    // Done when the keyring is open, Locked while it stays locked (dismissed
    // before, dismissed now, or the wait ended first), NoService without
    // one. Waits only while the unlock prompt is open.
    SecretOutcome open(const KeyringWait& wait = {});
    // The user asked for a check: a dismissed prompt may be shown again.
    void askAgain();
    // The keyring said its lock changed: true when it is open now, and a
    // dismissal is over then. Never shows a prompt: a keyring the user has
    // just locked is no reason to ask for it.
    bool recheck();
    // How many callers wait on the open prompt (tests wait for theirs).
    int waiting() const;

private:
    void startPrompt();
    bool waitForAnswer(std::unique_lock<std::mutex>& lock, const KeyringWait& wait);

    Calls calls_;
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    bool prompting_ = false;
    bool refused_ = false;
    SecretOutcome answer_ = SecretOutcome::Locked;
    int waiting_ = 0;
    std::thread prompter_;
};

// The process's gate, on the desktop keyring.
KeyringGate& keyringGate();

} // namespace ombrix
