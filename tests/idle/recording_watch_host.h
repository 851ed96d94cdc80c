#pragma once
// A watch host that counts what its watchers report and lets a test wait for
// a count (the wait's limit only guards against a hang).

#include "idle/watch_host.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ombrix::test {

class RecordingWatchHost final : public WatchHost {
public:
    void mailboxChanged() override { bump(changes_); }
    void idleUnsupported() override { bump(unsupported_); }
    void loginRefused() override { bump(refusals_); }

    bool waitForChanges(int count, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return waitFor(changes_, count, limit);
    }
    bool waitForUnsupported(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return waitFor(unsupported_, 1, limit);
    }
    bool waitForRefusal(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return waitFor(refusals_, 1, limit);
    }
    int refusals() const {
        const std::lock_guard lock(mutex_);
        return refusals_;
    }
    int changes() const {
        const std::lock_guard lock(mutex_);
        return changes_;
    }
    int unsupported() const {
        const std::lock_guard lock(mutex_);
        return unsupported_;
    }

private:
    void bump(int& counter) {
        {
            const std::lock_guard lock(mutex_);
            ++counter;
        }
        changed_.notify_all();
    }
    bool waitFor(const int& counter, int count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return counter >= count; });
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int changes_ = 0;
    int unsupported_ = 0;
    int refusals_ = 0;
};

} // namespace ombrix::test
