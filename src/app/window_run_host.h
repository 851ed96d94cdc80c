#pragma once
// The run host of the main window: every call of a worker run is queued onto
// the window thread, where it reaches the tray, the window's timers or the
// wait dialog that is open at that moment.

#include "core/run_host.h"

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace ombrix {

class WaitDialogControl;

// What the window side does for a run, on the window thread.
class RunHostWindow {
public:
    virtual ~RunHostWindow() = default;
    virtual void showTrayIcon(TrayIconKind icon) = 0;
    virtual void showTrayTooltip(const std::string& text) = 0;
    // The wait dialog that is open now, or nullptr.
    virtual WaitDialogControl* openWaitDialog() = 0;
    virtual void stopAlarmTimers() = 0;
    virtual void armRunDone(int delayMs) = 0;
    virtual void accountLoggedIn(int /*row*/) {}
};

class WindowRunHost final : public RunHost {
public:
    // `context` lives on the window thread; queued calls die with it.
    WindowRunHost(QObject& context, RunHostWindow& window) : context_(&context), window_(window) {}

    // Each may be called from the run's worker thread.
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
    // Sleeps until the window thread says the dialog is up or the window
    // went to the tray (waitDialogChanged).
    void waitForWaitDialog() override;

    // Window thread: waitDialogReady or windowHidden has just been set.
    void waitDialogChanged();

private:
    // Runs `call` on the window thread, after the calls queued before it.
    void queue(std::function<void()> call);
    void queueOnWaitDialog(std::function<void(WaitDialogControl&)> call);

    QPointer<QObject> context_;
    RunHostWindow& window_;
    std::mutex dialogMutex_;
    std::condition_variable dialogChanged_;
};

} // namespace ombrix
