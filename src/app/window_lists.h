#pragma once
// Puts the account list, the mail list and the notification panel into the
// main window: the list views fill the window's two list places, the panel
// takes over the window's panel controls, and both reach the window's timers,
// tray icon and pop-up through one NotificationHost.

#include "app/checker_lists.h"
#include "app/settings_panel.h"
#include "app/window_notification_host.h"

#include <memory>

namespace ombrix {

class CCheckerDlg;
class DesktopNotifier;
class NotificationActions;

class WindowLists {
public:
    // Attach before the window's start-up (OnInitDialog), so that its first
    // refresh and its panel filling already reach the lists and the panel.
    // New mail may also be announced through `desktop` when given; its
    // buttons open the window, mark the unread mails read and check now.
    explicit WindowLists(CCheckerDlg& dialog, DesktopNotifier* desktop = nullptr);
    ~WindowLists(); // hands the window back its tray-only refresh
    WindowLists(const WindowLists&) = delete;
    WindowLists& operator=(const WindowLists&) = delete;

    // Follows the end of the window's runs: a "mark read" during a run
    // waits for it. Connect it after the other parts.
    void install();

    CheckerLists& lists() { return *lists_; }
    SettingsPanel& panel() { return *panel_; }
    AccountListView& accountList() { return *accountList_; }
    MailListView& mailList() { return *mailList_; }
    // The notification's buttons; none without a notifier.
    NotificationActions* actions() { return actions_.get(); }

private:
    CCheckerDlg& dialog_;
    WindowNotificationHost host_;
    AccountListView* accountList_; // owned by the window's widgets
    MailListView* mailList_;
    std::unique_ptr<CheckerLists> lists_;
    std::unique_ptr<SettingsPanel> panel_;
    std::unique_ptr<NotificationActions> actions_;
};

} // namespace ombrix
