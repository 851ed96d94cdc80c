#pragma once
// What the buttons of the desktop's new-mail notification do in the window:
// open it (brought to the front with the service's activation token), mark
// the unread mails read at once, check now as the menu does. Window thread.

#include <QObject>
#include <QString>

namespace ombrix {

class CCheckerDlg;
class DesktopNotifier;

class NotificationActions final : public QObject {
public:
    // The window and the notifier outlive this object. Sets the buttons'
    // texts in the current language.
    NotificationActions(CCheckerDlg& dialog, DesktopNotifier& desktop);

    // Follows the end of the window's runs (after the parts connected before).
    void install();

    void openWindow(const QString& activationToken);
    // Marks every listed mail read without asking and saves the read flags;
    // while a run owns the table, once it has ended.
    void markRead();
    void checkNow();

    bool markReadWaiting() const { return markReadWaiting_; }

private:
    void runEnded();
    void commitMarkRead();

    CCheckerDlg& dialog_;
    DesktopNotifier& desktop_;
    bool markReadWaiting_ = false;
};

} // namespace ombrix
