// The gate before a locked keyring, with a keyring double whose unlock
// prompt stays open until the test answers it.

#include "core/keyring_gate.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <utility>

namespace ombrix {
namespace {

// Upper bound only: the waits end when the condition holds.
constexpr std::chrono::seconds kBound{30};

class PromptDouble {
public:
    KeyringGate::Calls calls() {
        return {[this] {
                    const std::lock_guard lock(mutex_);
                    return locked_ ? KeyringLock::Locked : KeyringLock::Open;
                },
                [this] { return unlock(); }};
    }

    // The user's answer to the prompt that is open (the prompts() so far).
    void answer(SecretOutcome outcome) {
        const std::lock_guard lock(mutex_);
        answer_ = outcome;
        locked_ = outcome != SecretOutcome::Done;
        changed_.notify_all();
    }
    // Unlocked by the user elsewhere, with no prompt of ours open.
    void unlockElsewhere() {
        const std::lock_guard lock(mutex_);
        locked_ = false;
    }
    void lock() {
        const std::lock_guard lock(mutex_);
        locked_ = true;
    }
    int prompts() {
        const std::lock_guard lock(mutex_);
        return prompts_;
    }
    bool promptOpen() {
        const std::lock_guard lock(mutex_);
        return open_;
    }

private:
    SecretOutcome unlock() {
        std::unique_lock lock(mutex_);
        ++prompts_;
        open_ = true;
        // Bounded only so that a failed case ends instead of hanging.
        if (!changed_.wait_for(lock, kBound, [this] { return answer_.has_value(); }))
            answer_ = SecretOutcome::Locked;
        open_ = false;
        return *std::exchange(answer_, std::nullopt);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool locked_ = true;
    bool open_ = false;
    std::optional<SecretOutcome> answer_;
    int prompts_ = 0;
};

bool waitUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + kBound;
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
    return done();
}

std::future<SecretOutcome> openOnThread(KeyringGate& gate, KeyringWait wait = {}) {
    return std::async(std::launch::async, [&gate, wait] { return gate.open(wait); });
}

bool finished(std::future<SecretOutcome>& call) {
    return call.wait_for(kBound) == std::future_status::ready;
}

TEST(KeyringGateTest, CallersMeetingThePromptWaitOnItsOneAnswer) {
    PromptDouble keyring;
    KeyringGate gate(keyring.calls());
    auto first = openOnThread(gate);
    auto second = openOnThread(gate);
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 2 && keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Done);
    ASSERT_TRUE(finished(first));
    ASSERT_TRUE(finished(second));
    EXPECT_EQ(first.get(), SecretOutcome::Done);
    EXPECT_EQ(second.get(), SecretOutcome::Done);
    EXPECT_EQ(keyring.prompts(), 1);
    EXPECT_EQ(gate.open(), SecretOutcome::Done); // open now: nothing to ask
    EXPECT_EQ(keyring.prompts(), 1);
}

TEST(KeyringGateTest, ADismissedPromptIsShownAgainOnlyAfterACheckByHandOrAnUnlock) {
    PromptDouble keyring;
    KeyringGate gate(keyring.calls());
    auto first = openOnThread(gate);
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 1 && keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Locked);
    ASSERT_TRUE(finished(first));
    EXPECT_EQ(first.get(), SecretOutcome::Locked);
    EXPECT_EQ(gate.open(), SecretOutcome::Locked);
    EXPECT_EQ(gate.open(), SecretOutcome::Locked);
    EXPECT_EQ(keyring.prompts(), 1);

    gate.askAgain();
    auto byHand = openOnThread(gate);
    ASSERT_TRUE(waitUntil([&] { return keyring.prompts() == 2 && keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Locked);
    ASSERT_TRUE(finished(byHand));
    EXPECT_EQ(byHand.get(), SecretOutcome::Locked);

    keyring.unlockElsewhere();
    EXPECT_EQ(gate.open(), SecretOutcome::Done);
    keyring.lock();
    auto relocked = openOnThread(gate);
    ASSERT_TRUE(waitUntil([&] { return keyring.prompts() == 3 && keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Done);
    ASSERT_TRUE(finished(relocked));
    EXPECT_EQ(relocked.get(), SecretOutcome::Done);
}

// Abort and the reply time-out end a run's wait; the prompt stays open, and
// the next caller waits on it instead of asking again.
TEST(KeyringGateTest, AbortAndTimeOutEndTheWaitButNotThePrompt) {
    PromptDouble keyring;
    KeyringGate gate(keyring.calls());
    std::atomic<std::uint8_t> abort{0};
    auto run = openOnThread(gate, {&abort});
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 1; }));
    abort = 1;
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.get(), SecretOutcome::Locked);

    EXPECT_EQ(gate.open({nullptr, std::chrono::milliseconds(1)}), SecretOutcome::Locked);
    std::atomic<std::uint8_t> alreadyAborted{1};
    EXPECT_EQ(gate.open({&alreadyAborted}), SecretOutcome::Locked);
    EXPECT_EQ(keyring.prompts(), 1);

    auto worker = openOnThread(gate); // the desktop's keyring worker: no bound
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 1 && keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Done);
    ASSERT_TRUE(finished(worker));
    EXPECT_EQ(worker.get(), SecretOutcome::Done);
    EXPECT_EQ(keyring.prompts(), 1);
}

// The keyring says its lock changed: found open, the dismissal is over;
// found locked (the user has just locked it), it stands and nobody is asked.
TEST(KeyringGateTest, ALockChangeEndsADismissalOnlyWhenTheKeyringIsOpen) {
    PromptDouble keyring;
    KeyringGate gate(keyring.calls());
    auto first = openOnThread(gate);
    ASSERT_TRUE(waitUntil([&] { return keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Locked);
    ASSERT_TRUE(finished(first));

    EXPECT_FALSE(gate.recheck());
    EXPECT_EQ(gate.open(), SecretOutcome::Locked);
    EXPECT_EQ(keyring.prompts(), 1);

    keyring.unlockElsewhere();
    EXPECT_TRUE(gate.recheck());
    keyring.lock(); // locked again before anyone called
    auto next = openOnThread(gate);
    ASSERT_TRUE(waitUntil([&] { return keyring.prompts() == 2 && keyring.promptOpen(); }));
    keyring.answer(SecretOutcome::Done);
    ASSERT_TRUE(finished(next));
    EXPECT_EQ(next.get(), SecretOutcome::Done);
}

TEST(KeyringGateTest, NoKeyringIsSaidWithoutAPrompt) {
    int prompts = 0;
    KeyringGate gate({[] { return KeyringLock::NoService; },
                      [&prompts] {
                          ++prompts;
                          return SecretOutcome::Done;
                      }});
    EXPECT_EQ(gate.open(), SecretOutcome::NoService);
    EXPECT_FALSE(gate.recheck());
    EXPECT_EQ(prompts, 0);
}

} // namespace
} // namespace ombrix
