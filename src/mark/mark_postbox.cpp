#include "mark/mark_postbox.h"

#include "core/run_flags.h"

namespace ombrix {

MarkPostbox::MarkPostbox(const MarkTimeouts& timeouts)
    : timeouts_(timeouts), thread_([this] { work(); }) {}

MarkPostbox::~MarkPostbox() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        abort_ = 1;
    }
    changed_.notify_all();
    thread_.join();
    for (const MarkJob& job : jobs_)
        storePendingMarks(job);
}

void MarkPostbox::post(MarkJob job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void MarkPostbox::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || (jobs_.empty() && !working_); });
}

// Runs on the postbox's thread.
void MarkPostbox::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_)
            return;
        const MarkJob job = std::move(jobs_.front());
        jobs_.pop_front();
        working_ = true;
        lock.unlock();
        // A run's check lists the account while this session would store:
        // the marks wait for a check of their own.
        if (storePendingMarks(job) && checkRunning == 0 && deleteRunning == 0)
            sendPendingMarks(job, abort_, timeouts_);
        lock.lock();
        working_ = false;
        changed_.notify_all();
    }
}

} // namespace ombrix
