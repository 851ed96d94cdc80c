// The commands the window itself answers; the others go to the part of the
// program that owns them.

#include "app/checker_dlg.h"
#include "app/desktop_texts.h"
#include "check/run_flags.h"
#include "config/state_store.h"
#include "platform/message_box.h"
#include "res/menus.h"

#include <QApplication>
#include <thread>

namespace ombrix {

void CCheckerDlg::OnCommand(int command) {
    switch (command) {
    case res::kCmdOpenWindow:
        showFromTray();
        return;
    case res::kCmdCheckNow:
        checkNow();
        return;
    default:
        break;
    }
    if (hooks_.command && hooks_.command(command))
        return;
    if (command == res::kCmdQuit)
        quit();
    else if (command == res::kCmdNewAccount && hooks_.newAccount)
        hooks_.newAccount();
}

void CCheckerDlg::quit() {
    abortRequest = 1;
    while (dataIdle != 1) // a commit or a file write is a short step
        std::this_thread::yield();
    if (messageBox(desktop_texts::quitQuestion(), BoxKind::YesNoQuestion) != BoxAnswer::Yes)
        return;
    saveState(SaveKind::SettingsFile);
    quitting_ = true;
    tray_.RemoveTrayIcon();
    close();
    QCoreApplication::quit();
}

} // namespace ombrix
