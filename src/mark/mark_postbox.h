#pragma once
// The desktop program's worker for marks: the window posts each account's
// marks once it has saved them and goes on at once; one thread sends them,
// job after job, so the window never waits for a server. While a check or a
// deletion runs, the marks only join the pending ones: that run's check (or
// the next) sends them.

#include "mark/mark_job.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace ombrix {

class MarkPostbox {
public:
    explicit MarkPostbox(const MarkTimeouts& timeouts = {});
    // Ends a session under way within a second; its marks and those of the
    // jobs not begun stay pending for the next start's first check.
    ~MarkPostbox();
    MarkPostbox(const MarkPostbox&) = delete;
    MarkPostbox& operator=(const MarkPostbox&) = delete;

    // Any thread.
    void post(MarkJob job);
    // Blocks until every job posted before has been dealt with.
    void waitUntilIdle();

private:
    void work();

    const MarkTimeouts timeouts_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<MarkJob> jobs_;
    bool working_ = false;
    bool stopping_ = false;
    std::atomic<std::uint8_t> abort_{0};
    std::thread thread_;
};

} // namespace ombrix
