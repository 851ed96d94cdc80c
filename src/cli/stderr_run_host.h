#pragma once
// The run host of the command line: no window, no tray. What a run would show
// in the tray tooltip or the wait dialog is printed as a progress line; the end
// of the run is only noted, for the caller to act on after the run returns.

#include "core/run_host.h"

#include <atomic>
#include <iosfwd>
#include <mutex>
#include <string>

namespace ombrix {

class StderrRunHost : public RunHost {
public:
    explicit StderrRunHost(std::ostream& err) : err_(err) {}

    // Each may be called from the run's worker thread.
    void setTrayIcon(TrayIconKind) override {}
    void setTrayTooltip(const std::string& text) override;
    void setWaitText(const std::string& text) override;
    void setWaitRange(int, int) override {}
    void setWaitPosition(int) override {}
    void showWaitButton() override {}
    void closeWaitDialog() override {}
    void stopAlarmTimers() override {}
    void armRunDone(int delayMs) override;

    bool runDone() const { return runDone_; }

private:
    void print(const std::string& text);

    std::ostream& err_;
    std::mutex mutex_;
    std::string lastLine_;
    std::atomic<bool> runDone_{false};
};

} // namespace ombrix
