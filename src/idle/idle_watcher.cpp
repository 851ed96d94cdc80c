#include "idle/idle_watcher.h"

#include "idle/idle_session.h"
#include "idle/watch_host.h"

#include <algorithm>
#include <chrono>

namespace ombrix {

std::uint32_t retryDelayMs(const WatchTimings& timings, unsigned failures) {
    std::uint64_t delay = timings.firstRetryMs;
    for (unsigned i = 1; i < failures && delay < timings.lastRetryMs; ++i)
        delay *= 2;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(delay, timings.lastRetryMs));
}

IdleWatcher::IdleWatcher(ImapServer server, WatchHost& host, WatchTimings timings,
                         FlagChanges flagChanges)
    : server_(std::move(server)), host_(host), timings_(timings), flagChanges_(flagChanges),
      thread_([this] { run(); }) {}

IdleWatcher::~IdleWatcher() {
    join();
}

void IdleWatcher::requestStop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        abort_ = 1;
    }
    wake_.notify_all();
}

void IdleWatcher::join() {
    requestStop();
    if (thread_.joinable())
        thread_.join();
}

void IdleWatcher::reconnect() {
    {
        const std::lock_guard lock(mutex_);
        reconnecting_ = true;
        abort_ = 1;
    }
    wake_.notify_all();
}

bool IdleWatcher::pause(std::uint32_t ms) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms),
                   [this] { return stopping_ || reconnecting_; });
    return !stopping_;
}

std::vector<std::uint32_t> IdleWatcher::waits() const {
    const std::lock_guard lock(mutex_);
    return waits_;
}

void IdleWatcher::run() {
    watch();
    ended_ = true;
}

void IdleWatcher::watch() {
    MailboxMark mark;
    unsigned failures = 0;
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            abort_ = 0;
            reconnecting_ = false;
        }
        ++connections_;
        IdleSession session(server_, host_, timings_, abort_, idling_, flagChanges_);
        const SessionEnd end = session.run(mark);
        idling_ = false;
        if (end == SessionEnd::NoIdle) {
            host_.idleUnsupported();
            return;
        }
        if (end == SessionEnd::Refused) {
            refused_ = true;
            host_.loginRefused();
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            if (reconnecting_) {
                failures = 0;
                continue;
            }
        }
        const bool wasWorking =
            end == SessionEnd::Lost && session.idledMs() >= timings_.steadyIdleMs;
        failures = wasWorking ? 1 : failures + 1;
        const std::uint32_t delay = retryDelayMs(timings_, failures);
        {
            const std::lock_guard lock(mutex_);
            waits_.push_back(delay);
        }
        if (!pause(delay))
            return;
    }
}

} // namespace ombrix
