#pragma once
// The host of one account's check while several accounts are checked at
// once. An account's calls reach the run's host only while it is the first
// account not yet done; before that they wait in order, and a message box
// waits for its turn. The window so sees each account's calls whole and the
// accounts in their order, however the checks overlap.

#include "core/run_host.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace ombrix {

class OrderedRunHost : public RunHost {
public:
    explicit OrderedRunHost(RunHost& host) : host_(host) {}

    // Hands on what waited and every later call at once. Runs on any thread.
    void release();
    // Blocks until release() was called. Runs on the account's thread.
    void awaitTurn();

    void setTrayIcon(TrayIconKind icon) override;
    void setTrayTooltip(const std::string& text) override;
    void setWaitText(const std::string& text) override;
    void setWaitRange(int low, int high) override;
    void setWaitPosition(int position) override;
    void showWaitButton() override;
    void closeWaitDialog() override;
    void stopAlarmTimers() override;
    void armRunDone(int delayMs) override;
    void accountLoggedIn(int row) override;
    // Not in turn: the dialog is the run's, whichever account asks.
    void waitForWaitDialog() override { host_.waitForWaitDialog(); }
    BoxAnswer messageBox(const std::string& text, BoxKind kind) override;

private:
    void pass(std::function<void(RunHost&)> call);

    RunHost& host_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool live_ = false;
    std::vector<std::function<void(RunHost&)>> waiting_;
};

} // namespace ombrix
