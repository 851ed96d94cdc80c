#include "app/window_run_host.h"

#include "core/run_flags.h"
#include "dialogs/wait_dlg.h"

namespace ombrix {

// Worker thread (or window thread): the call itself runs on the window thread.
void WindowRunHost::queue(std::function<void()> call) {
    QMetaObject::invokeMethod(context_.data(), std::move(call), Qt::QueuedConnection);
}

// Worker thread. A dialog closed in the meantime ignores the call.
void WindowRunHost::queueOnWaitDialog(std::function<void(WaitDialogControl&)> call) {
    queue([this, call = std::move(call)] {
        if (WaitDialogControl* dialog = window_.openWaitDialog())
            call(*dialog);
    });
}

// Worker thread.
void WindowRunHost::setTrayIcon(TrayIconKind icon) {
    queue([this, icon] { window_.showTrayIcon(icon); });
}

// Worker thread.
void WindowRunHost::setTrayTooltip(const std::string& text) {
    queue([this, text] { window_.showTrayTooltip(text); });
}

// Worker thread.
void WindowRunHost::setWaitText(const std::string& text) {
    queueOnWaitDialog([text](WaitDialogControl& dialog) { dialog.setStatusText(text); });
}

// Worker thread.
void WindowRunHost::setWaitRange(int low, int high) {
    queueOnWaitDialog(
        [low, high](WaitDialogControl& dialog) { dialog.setProgressRange(low, high); });
}

// Worker thread.
void WindowRunHost::setWaitPosition(int position) {
    queueOnWaitDialog(
        [position](WaitDialogControl& dialog) { dialog.setProgressPosition(position); });
}

// Worker thread.
void WindowRunHost::showWaitButton() {
    queueOnWaitDialog([](WaitDialogControl& dialog) { dialog.showButton(); });
}

// Worker thread.
void WindowRunHost::closeWaitDialog() {
    queueOnWaitDialog([](WaitDialogControl& dialog) { dialog.closeRequest(); });
}

// Worker thread.
void WindowRunHost::stopAlarmTimers() {
    queue([this] { window_.stopAlarmTimers(); });
}

// Worker thread.
void WindowRunHost::armRunDone(int delayMs) {
    queue([this, delayMs] { window_.armRunDone(delayMs); });
}

// Worker thread.
void WindowRunHost::accountLoggedIn(int row) {
    queue([this, row] { window_.accountLoggedIn(row); });
}

// Worker thread. The dialog is built on the window thread after the run has
// started.
void WindowRunHost::waitForWaitDialog() {
    std::unique_lock lock(dialogMutex_);
    dialogChanged_.wait(lock, [] { return windowHidden != 0 || waitDialogReady != 0; });
}

// The flags were set before: a run that has not yet looked sees them, one
// that waits already is woken (the lock orders the two).
void WindowRunHost::waitDialogChanged() {
    { const std::lock_guard lock(dialogMutex_); }
    dialogChanged_.notify_all();
}

} // namespace ombrix
