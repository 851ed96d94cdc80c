// The commands on the mails of the mail list: view, delete on the server,
// mark all as read.

#include "app/checker_dlg.h"
#include "app/command_texts.h"
#include "app/server_marks.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "app/window_notification_host.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/account_table_ops.h"
#include "core/commit_bracket.h"
#include "delete/delete_handover.h"
#include "delete/delete_run.h"
#include "delete/delete_texts.h"
#include "dialogs/mail_preview.h"
#include "dialogs/mark_read.h"
#include "dialogs/read_tipp.h"
#include "platform/message_box.h"

namespace ombrix {
namespace {

bool accountInUse(int account) {
    return account >= 0 && account < kMaxAccounts &&
           static_cast<std::uint32_t>(account) < accountCount;
}

} // namespace

void WindowCommands::viewMail() {
    if (tableBusy())
        return;
    const TableHold hold(dialog_);
    const std::vector<int> rows = lists_.mailList().selectedRows();
    const int account = lists_.lists().selectedAccount();
    const int previewMail = rows.empty() ? -1 : rows.front();
    if (previewMail < 0 || !accountInUse(account) ||
        previewMail >= validMailCount(accounts[account]))
        return;
    const ServerMarks marks(dialog_.state().markPostbox);
    {
        const TableAccess access;
        accounts[account].mails[previewMail].read = 1;
    }
    lists_.mailList().setChecked(previewMail, true);
    CMailPreview preview(accounts[account], previewMail, &dialog_);
    services_.runDialog(preview);

    // The boxes belong to the account whose mails the list shows; copied
    // into another account's flags they would mark the wrong mails.
    MailListView& mailList = lists_.mailList();
    const int shown = selectedAccountRow();
    if (shown == account) {
        const TableAccess access;
        AccountRecord& a = accounts[shown];
        const int count = std::min(validMailCount(a), mailList.rowCount());
        for (int row = 0; row < count; ++row)
            a.mails[row].read = mailList.isChecked(row) ? 1 : 0;
    }
    saveState(SaveKind::ReadFlagFile);
    marks.send();
    dialog_.refreshLists(RefreshMode::AccountsOnly);
}

void WindowCommands::showPreview(int account, int row) {
    if (!accountInUse(account) || tableBusy())
        return;
    const TableHold hold(dialog_);
    CMailPreview preview(accounts[account], row, &dialog_);
    services_.runDialog(preview);
}

void WindowCommands::deleteMail() {
    if (tableBusy())
        return;                    // the running deletion reads the hand-over
    const TableHold hold(dialog_); // a check would change the rows chosen
    const std::vector<int> rows = lists_.mailList().selectedRows();
    const int account = lists_.lists().selectedAccount();
    std::optional<DeletionRequest> request;
    if (!rows.empty() && accountInUse(account))
        request = buildDeletionList(account, accounts[account], rows);
    if (!request) {
        messageBox(command_texts::noMailToDelete());
        return;
    }
    if (messageBox(delete_texts::confirmDeletion(), BoxKind::YesNoQuestion) != BoxAnswer::Yes)
        return;
    auto run = services_.runDeletion ? services_.runDeletion : DeleteThreadProc;
    dialog_.startDeletionRun(
        [run, request = std::move(*request)](RunHost& host) { run(host, request, {}); });
}

void WindowCommands::markAllRead() {
    if (settings.markAllHint == 1) {
        CReadTipp hint(&dialog_);
        services_.runDialog(hint);
    }
    dialog_.timers().set(MarkReadTimer, kMarkReadDelay);
}

void WindowCommands::markReadTick() {
    const TableHold hold(dialog_);
    CMarkRead question(&dialog_);
    const int answer = services_.runDialog(question);
    const ServerMarks marks(dialog_.state().markPostbox);
    {
        const TableAccess access;
        if (answer == CMarkRead::SelectedAccount)
            markAccountRead(lists_.lists().selectedAccount());
        else if (answer == CMarkRead::AllAccounts)
            markAllAccountsRead();
    }
    saveState(SaveKind::ReadFlagFile);
    marks.send();
    refreshFull();
}

} // namespace ombrix
