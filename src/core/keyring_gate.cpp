#include "core/keyring_gate.h"

namespace ombrix {
namespace {

// How often a waiting caller looks at its abort flag: the flag's setter
// knows nothing of the gate and cannot wake it.
constexpr std::chrono::milliseconds kAbortLook{100};

std::chrono::steady_clock::time_point deadlineAfter(std::chrono::milliseconds limit) {
    const auto now = std::chrono::steady_clock::now();
    if (limit >= std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::time_point::max() - now))
        return std::chrono::steady_clock::time_point::max();
    return now + limit;
}

} // namespace

KeyringGate::KeyringGate(Calls calls) : calls_(std::move(calls)) {}

KeyringGate::~KeyringGate() {
    if (prompter_.joinable())
        prompter_.join();
}

SecretOutcome KeyringGate::open(const KeyringWait& wait) {
    const KeyringLock state = calls_.lockState();
    std::unique_lock lock(mutex_);
    if (state == KeyringLock::NoService)
        return SecretOutcome::NoService;
    if (state == KeyringLock::Open) {
        refused_ = false; // unlocked by whoever: a later lock may ask again
        return SecretOutcome::Done;
    }
    if (refused_)
        return SecretOutcome::Locked;
    if (!prompting_)
        startPrompt();
    if (!waitForAnswer(lock, wait))
        return SecretOutcome::Locked; // the prompt stays open for the next caller
    if (answer_ == SecretOutcome::Done || answer_ == SecretOutcome::NoService)
        return answer_;
    return SecretOutcome::Locked;
}

void KeyringGate::askAgain() {
    const std::lock_guard lock(mutex_);
    refused_ = false;
}

bool KeyringGate::recheck() {
    if (calls_.lockState() != KeyringLock::Open)
        return false;
    const std::lock_guard lock(mutex_);
    refused_ = false;
    return true;
}

int KeyringGate::waiting() const {
    const std::lock_guard lock(mutex_);
    return waiting_;
}

// The prompt has a thread of its own, so that a caller who stops waiting
// (an aborted run) leaves it open for the user rather than dismissing it.
void KeyringGate::startPrompt() {
    if (prompter_.joinable())
        prompter_.join(); // the last one has answered already
    prompting_ = true;
    prompter_ = std::thread([this] {
        const SecretOutcome outcome = calls_.unlock();
        const std::lock_guard lock(mutex_);
        prompting_ = false;
        answer_ = outcome;
        refused_ = outcome == SecretOutcome::Locked || outcome == SecretOutcome::Failed;
        answered_.notify_all();
    });
}

bool KeyringGate::waitForAnswer(std::unique_lock<std::mutex>& lock, const KeyringWait& wait) {
    const auto deadline = deadlineAfter(wait.limit);
    ++waiting_;
    while (prompting_) {
        const auto now = std::chrono::steady_clock::now();
        if ((wait.abort && *wait.abort != 0) || now >= deadline)
            break;
        answered_.wait_until(lock, wait.abort ? std::min(deadline, now + kAbortLook) : deadline);
    }
    --waiting_;
    return !prompting_;
}

KeyringGate& keyringGate() {
    // Never destroyed: the end of the process must not wait for a prompt
    // (cancelSecretCalls() ends it).
    static KeyringGate* const gate = new KeyringGate({keyringLockState, unlockKeyring});
    return *gate;
}

} // namespace ombrix
