#pragma once
// The commands of the main window's menu bar, tray menu, context menus,
// Delete keys and banner that work on accounts, mails and the desktop. The
// window itself answers showing, checking and quitting; every other command
// comes here through its commandChosen signal.

#include "app/context_menus.h"
#include "app/mail_client.h"
#include "delete/delete_run.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <set>
#include <string>
#include <vector>

class QDialog;
class QTreeWidget;

namespace ombrix {

class CCheckerDlg;
class WindowLists;

// The desktop services the commands use, replaceable in tests.
struct CommandServices {
    // Opens a web page or a local file in the user's program for it.
    std::function<bool(const std::string& urlOrPath)> openUrl;
    // The Exec= line of the standard mail program, empty when there is none.
    std::function<std::string()> mailClientCommand;
    std::function<bool(const MailClientStart&)> startProgram;
    // Runs a dialog modally; returns its result.
    std::function<int(QDialog&)> runDialog;
    // Opens a context menu centred on the point; the chosen command or 0.
    std::function<int(const std::vector<ContextEntry>&, QPoint)> chooseFromMenu;
    // Where the help files are looked for, in order.
    std::function<std::vector<std::string>()> helpDirectories;
    // The deletion run the delete-mail command starts; none: the real one.
    std::function<int(RunHost&, const DeletionRequest&, const DeleteTimeouts&)> runDeletion;

    // The real desktop.
    static CommandServices desktop();
};

class WindowCommands final : public QObject {
public:
    // The window and its lists outlive this object.
    WindowCommands(CCheckerDlg& dialog, WindowLists& lists,
                   CommandServices services = CommandServices::desktop());

    // Answers the window's commands, its mark-read tick and its opening.
    void install();

    // True when `command` is one of these commands (it has then run).
    bool run(int command);

    // The program.
    void openMailClient();             // 32803
    void openHelp();                   // 32793, F1
    void toggleStartWithDesktop();     // 32801
    void openWebPage(const char* url); // 32806, banner 1040
    void showAbout();                  // 32792, 16

    // Accounts; each works on the row selected in the account list.
    void newAccount();        // 32784
    void editAccount();       // 32783, 105
    void deleteAccount();     // 32780, Delete key
    void deactivateAccount(); // 107
    void activateAccount();   // 108
    // The server certificate of the selected account that was not trusted.
    void checkCertificate(); // 109
    // The user opened the window: an account's untrusted certificate asks.
    void windowOpened();

    // Mails of the account the mail list shows.
    void viewMail();    // 32782, 102
    void deleteMail();  // 32774, 104, Delete key
    void markAllRead(); // 32804
    // MarkReadTimer's tick: the mark-as-read question and its answer.
    void markReadTick();
    // A double click marked the row read and saved: show it.
    void showPreview(int account, int row);

    void showAccountMenu();
    void showMailMenu();

    // The help file of the current language, from the help directories;
    // empty when none holds it.
    std::string findHelpFile() const;

private:
    int selectedAccountRow() const;
    bool tableBusy() const;
    void refreshFull();
    void showContextMenu(QTreeWidget& view, int row, const std::vector<ContextEntry>& entries);
    void askAboutCertificate(int account);
    bool pinnedByUser(int account);

    CCheckerDlg& dialog_;
    WindowLists& lists_;
    CommandServices services_;
    // Fingerprints the user rejected: opening the window does not ask again.
    std::set<std::string> rejectedFingerprints_;
};

} // namespace ombrix
