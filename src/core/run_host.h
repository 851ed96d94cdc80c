#pragma once
// What a worker run (check or deletion) may ask of the window side. Runs never
// touch a widget: the window implements this by queueing every call onto the
// UI thread, the command-line front end by printing to stderr, tests by
// recording. Every method may be called from the run's worker thread.

#include "platform/message_box.h"

#include <string>

namespace ombrix {

enum class TrayIconKind { Idle, Checking, NewMail, Failure };

// Window-timer ids the runs arm or stop; the window owns the timers.
enum TimerId : int {
    CheckTimer = 4,
    LedTimer = 5,
    RepeatTimer = 6,
    FirstCheckTimer = 7,
    RunDoneTimer = 8,
    MarkReadTimer = 9,
};

class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void setTrayIcon(TrayIconKind icon) = 0;
    virtual void setTrayTooltip(const std::string& text) = 0;

    // Returns once the window side's wait dialog is up (waitDialogReady) or
    // the window is hidden (there is no dialog then); a run calls it before
    // its first call on the dialog. A host that builds no dialog has nothing
    // to wait for.
    virtual void waitForWaitDialog() {}

    // The wait dialog. A run calls these only while windowHidden is 0 and
    // after waitForWaitDialog() has returned.
    virtual void setWaitText(const std::string& text) = 0;
    virtual void setWaitRange(int low, int high) = 0;
    virtual void setWaitPosition(int position) = 0;
    virtual void showWaitButton() = 0;
    virtual void closeWaitDialog() = 0;

    // Stops LED flashing and alarm repetition while a run works.
    virtual void stopAlarmTimers() = 0;
    // Hands the end of a run to the window thread after `delayMs`.
    virtual void armRunDone(int delayMs) = 0;
    // The account of that table row logged in and was checked in this run:
    // what stopped at a refused login of it (an IDLE watcher) may log in
    // again. Nothing by default.
    virtual void accountLoggedIn(int /*row*/) {}

    // A message box (OK, or a Yes/No question) shown on the window side while
    // the run waits for the answer. The default hands it to the installed
    // message presenter, which shows it on the window thread.
    virtual BoxAnswer messageBox(const std::string& text, BoxKind kind);
};

} // namespace ombrix
