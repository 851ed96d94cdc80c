#pragma once
// A run host that writes down every call of the run, in order.

#include "core/run_host.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace ombrix::test {

class RecordingRunHost : public RunHost {
public:
    void setTrayIcon(TrayIconKind icon) override {
        record("icon " + std::to_string(static_cast<int>(icon)));
    }
    void setTrayTooltip(const std::string& text) override { record("tooltip " + text); }
    void setWaitText(const std::string& text) override { record("text " + text); }
    void setWaitRange(int low, int high) override {
        record("range " + std::to_string(low) + ".." + std::to_string(high));
    }
    void setWaitPosition(int position) override { record("position " + std::to_string(position)); }
    void showWaitButton() override { record("button"); }
    void closeWaitDialog() override { record("close"); }
    void stopAlarmTimers() override { record("stop alarms"); }
    void armRunDone(int delayMs) override { record("run done " + std::to_string(delayMs)); }
    // Kept apart from the other calls: the window's view of a run is those.
    void accountLoggedIn(int row) override {
        std::lock_guard lock(mutex_);
        loggedIn_.push_back(row);
    }
    std::vector<int> loggedIn() const {
        std::lock_guard lock(mutex_);
        return loggedIn_;
    }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    // Waits until `call` was made `times` times; false after the limit.
    bool waitForCall(const std::string& call, int times,
                     std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        return recorded_.wait_for(lock, limit,
                                  [&] { return std::ranges::count(calls_, call) >= times; });
    }

private:
    void record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        recorded_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable recorded_;
    std::vector<std::string> calls_;
    std::vector<int> loggedIn_;
};

} // namespace ombrix::test
