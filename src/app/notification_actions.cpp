#include "app/notification_actions.h"

#include "app/checker_dlg.h"
#include "app/server_marks.h"
#include "config/state_store.h"
#include "core/account_table_ops.h"
#include "core/commit_bracket.h"
#include "core/language.h"
#include "platform/desktop_notifier.h"
#include "platform/desktop_session.h"
#include "res/menus.h"

namespace ombrix {

NotificationActions::NotificationActions(CCheckerDlg& dialog, DesktopNotifier& desktop)
    : dialog_(dialog), desktop_(desktop) {
    desktop_.setActionLabels({QString::fromUtf8(Text("Öffnen", "Open")),
                              QString::fromUtf8(Text("Als gelesen markieren", "Mark as read")),
                              QString::fromUtf8(Text("Jetzt prüfen", "Check now"))});
    connect(&desktop_, &DesktopNotifier::openWindowRequested, this,
            [this](const QString& token) { openWindow(token); });
    connect(&desktop_, &DesktopNotifier::markReadRequested, this, [this] { markRead(); });
    connect(&desktop_, &DesktopNotifier::checkNowRequested, this, [this] { checkNow(); });
}

void NotificationActions::install() {
    connect(&dialog_, &CCheckerDlg::runOver, this, [this] { runEnded(); });
}

// Queued: bringing the window up may wait in the wait dialog of a running
// check; the token must reach the window once it is shown.
void NotificationActions::openWindow(const QString& activationToken) {
    QMetaObject::invokeMethod(
        &dialog_, [this, activationToken] { activateWindow(&dialog_, activationToken); },
        Qt::QueuedConnection);
    dialog_.OnPopupClicked();
}

void NotificationActions::markRead() {
    if (dialog_.tableBusy() || dialog_.handOverPending()) {
        markReadWaiting_ = true;
        return;
    }
    commitMarkRead();
}

void NotificationActions::checkNow() {
    dialog_.OnCommand(res::kCmdCheckNow);
}

// The run's lists are committed and saved when its end is handed over.
void NotificationActions::runEnded() {
    if (markReadWaiting_ && !dialog_.runActive()) {
        markReadWaiting_ = false;
        commitMarkRead();
    }
}

// The mark-as-read dialog's "all accounts" answer, without the dialog. The
// refresh takes the tray to idle; the notification goes even where a failed
// account keeps the tray on its failure.
void NotificationActions::commitMarkRead() {
    const ServerMarks marks(dialog_.state().markPostbox);
    {
        const TableAccess access;
        markAllAccountsRead();
    }
    saveState(SaveKind::ReadFlagFile);
    marks.send();
    dialog_.refreshLists(RefreshMode::Full);
    desktop_.withdraw();
}

} // namespace ombrix
