// The commands the window itself answers; the others go to the part of the
// program that owns them.

#include "app/checker_dlg.h"
#include "app/desktop_texts.h"
#include "config/state_store.h"
#include "core/commit_bracket.h"
#include "core/keyring_gate.h"
#include "core/run_flags.h"
#include "platform/message_box.h"
#include "platform/secret_store.h"
#include "res/menus.h"

#include <QApplication>
#include <QTimer>

namespace ombrix {

namespace {

// How soon the end of the session is tried again once the open dialogs were
// told to close.
constexpr int kEndSessionRetryMs = 20;

} // namespace

void CCheckerDlg::OnCommand(int command) {
    switch (command) {
    case res::kCmdOpenWindow:
        showFromTray();
        return;
    case res::kCmdCheckNow:
        keyringGate().askAgain(); // by hand: a locked keyring may ask again
        checkNow();
        return;
    case res::kCmdQuit:
        quit();
        return;
    default:
        emit commandChosen(command);
        return;
    }
}

// A run that is still working gets to end its current receive (it sees
// abortRequest) before the process goes, so no commit or file is cut off.
// Events go on meanwhile: the worker may wait for a message box or hand its
// end over through the window thread.
void CCheckerDlg::quit() {
    if (quitting_)
        return;
    abortRequest = 1;
    {
        // A commit holds the table for a short step: the question waits for
        // it on the table's lock, asleep.
        const TableAccess commitOver;
    }
    if (messageBox(desktop_texts::quitQuestion(), BoxKind::YesNoQuestion) != BoxAnswer::Yes)
        return;
    endSession();
}

void CCheckerDlg::endSession() {
    if (quitting_)
        return;
    abortRequest = 1;
    // A signal may come while a question or dialog waits in its own event
    // loop, which no quit ends, and a run may wait for that question's
    // answer. Such a dialog is answered as cancelled, and the session ends
    // once its loop has been left.
    if (rejectOpenDialogs()) {
        QTimer::singleShot(kEndSessionRetryMs, this, [this] { endSession(); });
        return;
    }
    quitting_ = true;    // no new run starts from here on
    cancelSecretCalls(); // a run or the keyring worker may wait for an unlock
    emit sessionEnding();
    for (const int id : {CheckTimer, FirstCheckTimer, RepeatTimer, LedTimer, MarkReadTimer})
        timers_.kill(id);
    while (runActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (timers_.isActive(RunDoneTimer)) { // the run ended with its lists committed
        timers_.kill(RunDoneTimer);
        saveState(SaveKind::MailListFile);
    }
    saveState(SaveKind::SettingsFile); // after the run: a check run blocks saving
    tray_.RemoveTrayIcon();
    close();
    QCoreApplication::quit();
}

bool CCheckerDlg::rejectOpenDialogs() {
    bool found = false;
    while (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        if (open == this)
            break;
        open->reject();
        found = true;
        if (QApplication::activeModalWidget() == open)
            break; // it stays until its own work has ended
    }
    return found;
}

} // namespace ombrix
