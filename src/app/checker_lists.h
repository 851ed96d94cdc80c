#pragma once
// The main window's two lists kept in line with the account table: the one
// operation that rebuilds them (refreshLists, where new-mail notifications
// fire), sorting by a header click, and the read flags the user ticks.

#include "app/account_list_view.h"
#include "app/list_notifications.h"
#include "app/list_refresher.h"
#include "app/mail_list_view.h"

#include <QObject>
#include <cstdint>
#include <string>

namespace ombrix {

class CheckerLists : public QObject, public ListRefresher {
    Q_OBJECT

public:
    // The views and the host belong to the main window and outlive this object.
    CheckerLists(AccountListView& accountList, MailListView& mailList, NotificationHost& host,
                 QObject* parent = nullptr);

    // Full: both lists rebuilt; AccountsOnly: the mail list stays exactly as it
    // is; ReadMarks: in the mail list only the read images follow the flags.
    // Sets the host's unread count. On the window thread only.
    void refreshLists(RefreshMode mode) override;

    // The account whose mails the mail list shows, or -1.
    int selectedAccount() const { return selectedAccount_; }
    // The lines of the tray tooltip and the pop-up from the last refresh.
    const std::string& notifyText() const { return notifyText_; }
    bool refreshing() const { return refreshing_; }

    // What a header click of the mail list does; public for the menu as well.
    void sortByColumn(int column);

signals:
    // A mail row was double-clicked and its mail marked read and saved: the
    // window shows it in the preview dialog.
    void previewRequested(int account, int mailIndex);
    // The Delete key in the account list / in the mail list.
    void deleteAccountRequested();
    void deleteMailRequested();
    // A right click in a list: open its context menu there.
    void accountMenuRequested(const QPoint& globalPosition);
    void mailMenuRequested(const QPoint& globalPosition);

private:
    void rebuildAccountList();
    void rebuildMailList(RefreshMode mode, int account);
    void onAccountChosen();
    void onCheckChanged();
    void onMailDoubleClicked(int row);
    bool showsMailsOf(int account) const;

    AccountListView& accountList_;
    MailListView& mailList_;
    NotificationHost& host_;
    int selectedAccount_ = -1;
    std::string notifyText_;
    bool refreshing_ = false;
};

} // namespace ombrix
