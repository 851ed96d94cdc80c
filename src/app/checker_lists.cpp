#include "app/checker_lists.h"

#include "app/server_marks.h"
#include "app/window_state.h"
#include "check/mail_sort.h"
#include "config/state_store.h"
#include "core/commit_bracket.h"
#include "core/display_field.h"
#include "core/run_flags.h"

namespace ombrix {
namespace {

bool validAccountRow(int row) {
    return row >= 0 && row < kMaxAccounts && static_cast<std::uint32_t>(row) < accountCount;
}

// Only a checked, active account without a failure lists its mails.
bool listsItsMails(int row) {
    if (!validAccountRow(row))
        return false;
    const AccountRecord& account = accounts[row];
    return account.errorFlag == 0 && account.deactivated == 0 && account.checked == 1;
}

void markSortColumn(CColumnHeader& header, std::uint8_t sortOrder) {
    switch (sortOrder) {
    case kSortSubjectAscending:
    case kSortSubjectDescending:
        header.SetSortMark(kSubjectColumn, sortOrder == kSortSubjectAscending);
        break;
    case kSortSenderAscending:
    case kSortSenderDescending:
        header.SetSortMark(kSenderColumn, sortOrder == kSortSenderAscending);
        break;
    case kSortDateNewestFirst:
    case kSortDateOldestFirst:
        header.SetSortMark(kDateColumn, sortOrder == kSortDateNewestFirst);
        break;
    default:
        break;
    }
}

// A second click on the same header turns the order round.
std::uint8_t orderAfterClick(int column, std::uint8_t order) {
    switch (column) {
    case kSenderColumn:
        return order == kSortSenderAscending ? kSortSenderDescending : kSortSenderAscending;
    case kSubjectColumn:
        return order == kSortSubjectAscending ? kSortSubjectDescending : kSortSubjectAscending;
    default:
        return order == kSortDateNewestFirst ? kSortDateOldestFirst : kSortDateNewestFirst;
    }
}

} // namespace

CheckerLists::CheckerLists(AccountListView& accountList, MailListView& mailList,
                           NotificationHost& host, QObject* parent)
    : QObject(parent), accountList_(accountList), mailList_(mailList), host_(host) {
    // Queued: the refresh rebuilds the list whose click is still being handled.
    connect(&accountList_, &AccountListView::rowChosen, this, &CheckerLists::onAccountChosen,
            Qt::QueuedConnection);
    connect(&accountList_, &AccountListView::deletePressed, this,
            &CheckerLists::deleteAccountRequested);
    connect(&accountList_, &AccountListView::menuRequested, this,
            &CheckerLists::accountMenuRequested);
    connect(&mailList_, &MailListView::checkChanged, this, &CheckerLists::onCheckChanged);
    connect(&mailList_, &MailListView::rowDoubleClicked, this, &CheckerLists::onMailDoubleClicked);
    connect(&mailList_, &MailListView::headerClicked, this, &CheckerLists::sortByColumn);
    connect(&mailList_, &MailListView::deletePressed, this, &CheckerLists::deleteMailRequested);
    connect(&mailList_, &MailListView::menuRequested, this, &CheckerLists::mailMenuRequested);
}

void CheckerLists::refreshLists(RefreshMode mode) {
    refreshing_ = true;
    const int shownAccount = accountList_.selectedRow();
    const std::vector<int> selectedMails = mailList_.selectedRows();

    markSortColumn(*mailList_.columnHeader(), host_.windowState().sortOrder);
    if (mode == RefreshMode::Full)
        mailList_.clear();
    AccountSummary summary = summarizeAccounts();
    accountList_.removeAllRows();
    for (const AccountRow& row : summary.rows)
        accountList_.addAccountRow(row.name, row.status);

    notifyText_ = std::move(summary.notifyText);
    host_.windowState().unreadTotal = applyNotifications(
        notifyText_, summary.anyAccountFailed, summary.mailTotal, host_, summary.untrustedAccount);

    // A full refresh empties the mail list; only a rebuild names its account
    // again, so a deleted or failed account is never "the selected one".
    if (mode == RefreshMode::Full)
        selectedAccount_ = -1;
    if (mode != RefreshMode::AccountsOnly && listsItsMails(shownAccount))
        rebuildMailList(mode, shownAccount);

    if (validAccountRow(shownAccount))
        accountList_.selectRow(shownAccount);
    mailList_.selectRows(selectedMails, mode == RefreshMode::Full);
    refreshing_ = false;
}

void CheckerLists::rebuildMailList(RefreshMode mode, int account) {
    const TableAccess access;
    const AccountRecord& a = accounts[account];
    const int count = validMailCount(a);
    if (mode == RefreshMode::ReadMarks) {
        for (int row = 0; row < std::min(count, mailList_.rowCount()); ++row)
            mailList_.setReadImage(row, a.mails[row].read == 1);
        return;
    }
    mailList_.setUpdatesEnabled(false);
    for (int i = 0; i < count; ++i)
        mailList_.addMailRow(a.mails[i].read == 1, a.mails.from(i), a.mails.subject(i),
                             displayDate(a.mails[i].day, a.mails[i].month, a.mails[i].year));
    mailList_.setUpdatesEnabled(true);
    selectedAccount_ = account;
}

void CheckerLists::sortByColumn(int column) {
    if (column == kReadColumn) {
        host_.armMarkReadTimer();
        return;
    }
    if (column < kSenderColumn || column > kDateColumn)
        return;
    std::uint8_t& sortOrder = host_.windowState().sortOrder;
    sortOrder = orderAfterClick(column, sortOrder);
    // A run rewrites or reads the lists by index: the window sorts them by the
    // new order when it takes the run's end over, so the lists are left alone
    // meanwhile.
    // The read flags follow the mails by position: both files take the new order.
    if (checkRunning == 0 && deleteRunning == 0) {
        {
            const TableAccess access;
            SortMailList(accountList_.selectedRow(), sortOrder);
        }
        saveState(SaveKind::MailListFile);
    }
    refreshLists(RefreshMode::Full);
}

bool CheckerLists::showsMailsOf(int account) const {
    return account == selectedAccount_ && listsItsMails(account);
}

void CheckerLists::onAccountChosen() {
    if (refreshing_)
        return;
    selectedAccount_ = accountList_.selectedRow();
    refreshLists(RefreshMode::Full);
}

void CheckerLists::onCheckChanged() {
    if (refreshing_)
        return;
    const int account = accountList_.selectedRow();
    if (!showsMailsOf(account))
        return;
    const ServerMarks marks(host_.windowState().markPostbox);
    {
        const TableAccess access;
        AccountRecord& a = accounts[account];
        const int rows = std::min(validMailCount(a), mailList_.rowCount());
        for (int row = 0; row < rows; ++row)
            a.mails[row].read = mailList_.isChecked(row) ? 1 : 0;
    }
    refreshLists(RefreshMode::ReadMarks);
    saveState(SaveKind::ReadFlagFile);
    marks.send();
    refreshLists(RefreshMode::AccountsOnly);
}

void CheckerLists::onMailDoubleClicked(int row) {
    const int account = selectedAccount_;
    if (row < 0 || !validAccountRow(account) || row >= validMailCount(accounts[account]))
        return;
    const ServerMarks marks(host_.windowState().markPostbox);
    {
        const TableAccess access;
        accounts[account].mails[row].read = 1;
    }
    mailList_.setChecked(row, true); // a box that changes runs the check-box handling
    saveState(SaveKind::ReadFlagFile);
    marks.send();
    emit previewRequested(account, row);
}

} // namespace ombrix
