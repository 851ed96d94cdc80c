#include "app/window_commands.h"

#include "app/checker_dlg.h"
#include "app/command_texts.h"
#include "app/untrusted_certificate.h"
#include "app/window_lists.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "platform/program_file.h"
#include "platform/shell.h"
#include "res/main_dialog_template.h"
#include "res/menus.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QShortcut>
#include <QTreeWidget>

namespace ombrix {
namespace {

int execDialog(QDialog& dialog) {
    return dialog.exec();
}

int chooseFromQMenu(const std::vector<ContextEntry>& entries, QPoint point) {
    QMenu menu;
    for (const ContextEntry& entry : entries)
        menu.addAction(QString::fromUtf8(entry.text))->setData(entry.command);
    const QAction* chosen = menu.exec(centredMenuCorner(point, menu.sizeHint().width()));
    return chosen ? chosen->data().toInt() : 0;
}

// The working directory is the program directory; the files ship beside the
// executable, or in the data directory of an installed program.
std::vector<std::string> helpDirectoriesOfProgram() {
    const QString programDir = QString::fromStdString(programFileDirectory());
    return {QDir::currentPath().toStdString(), programDir.toStdString(),
            QDir::cleanPath(programDir + QStringLiteral("/../share/ombrix")).toStdString()};
}

} // namespace

CommandServices CommandServices::desktop() {
    return {.openUrl = openInBrowser,
            .mailClientCommand = ombrix::mailClientCommand,
            .startProgram = startDetached,
            .runDialog = execDialog,
            .chooseFromMenu = chooseFromQMenu,
            .helpDirectories = helpDirectoriesOfProgram,
            .runDeletion = DeleteThreadProc};
}

WindowCommands::WindowCommands(CCheckerDlg& dialog, WindowLists& lists, CommandServices services)
    : dialog_(dialog), lists_(lists), services_(std::move(services)) {
    CheckerLists& checkerLists = lists_.lists();
    connect(&checkerLists, &CheckerLists::previewRequested, this,
            [this](int account, int row) { showPreview(account, row); });
    connect(&checkerLists, &CheckerLists::deleteAccountRequested, this,
            [this] { dialog_.OnCommand(res::kCmdDeleteAccount); });
    connect(&checkerLists, &CheckerLists::deleteMailRequested, this,
            [this] { dialog_.OnCommand(res::kCmdDeleteMail); });
    connect(&checkerLists, &CheckerLists::accountMenuRequested, this,
            [this] { showAccountMenu(); });
    connect(&checkerLists, &CheckerLists::mailMenuRequested, this, [this] { showMailMenu(); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &dialog_);
    connect(help, &QShortcut::activated, this, [this] { dialog_.OnCommand(res::kCmdHelp); });
}

void WindowCommands::install() {
    connect(&dialog_, &CCheckerDlg::commandChosen, this, [this](int command) { run(command); });
    connect(&dialog_, &CCheckerDlg::markReadDue, this, [this] { markReadTick(); });
    connect(&dialog_, &CCheckerDlg::windowOpened, this, [this] { windowOpened(); });
}

bool WindowCommands::run(int command) {
    switch (command) {
    case res::kCmdOpenMailClient:
        openMailClient();
        return true;
    case res::kCmdHelp:
        openHelp();
        return true;
    case res::kCmdStartWithDesktop:
        toggleStartWithDesktop();
        return true;
    case res::kCmdCheckForUpdate:
        openWebPage(command_texts::kUpdatePage);
        return true;
    case res::kBanner:
        openWebPage(command_texts::kHomePage);
        return true;
    case res::kCmdAbout:
    case res::kCmdAboutBox:
        showAbout();
        return true;
    case res::kCmdNewAccount:
        newAccount();
        return true;
    case res::kCmdEditAccount:
    case kCmdEditAccountRow:
        editAccount();
        return true;
    case res::kCmdDeleteAccount:
        deleteAccount();
        return true;
    case kCmdDeactivateAccount:
        deactivateAccount();
        return true;
    case kCmdActivateAccount:
        activateAccount();
        return true;
    case kCmdCheckCertificate:
        checkCertificate();
        return true;
    case res::kCmdViewMail:
    case kCmdViewMailRow:
        viewMail();
        return true;
    case res::kCmdDeleteMail:
    case kCmdDeleteMailRows:
        deleteMail();
        return true;
    case res::kCmdMarkAllRead:
        markAllRead();
        return true;
    default:
        return false;
    }
}

int WindowCommands::selectedAccountRow() const {
    const int row = lists_.accountList().selectedRow();
    return row >= 0 && row < kMaxAccounts && static_cast<std::uint32_t>(row) < accountCount ? row
                                                                                            : -1;
}

// A run reads the account table by slot while it works: nothing may move,
// edit or remove an account or rewrite the deletion hand-over meanwhile. The
// window shows the wait dialog over every check; this covers the rest.
bool WindowCommands::tableBusy() const {
    return dialog_.tableBusy();
}

void WindowCommands::refreshFull() {
    dialog_.refreshLists(RefreshMode::Full);
}

void WindowCommands::showAccountMenu() {
    const int row = selectedAccountRow();
    bool deactivated = false;
    bool untrusted = false;
    if (row >= 0) {
        const TableAccess access;
        deactivated = accounts[row].deactivated == 1;
        untrusted = untrustedCertificate(accounts[row]).has_value();
    }
    showContextMenu(lists_.accountList(), row,
                    accountMenuEntries(row >= 0, deactivated, untrusted));
}

void WindowCommands::showMailMenu() {
    const std::vector<int> rows = lists_.mailList().selectedRows();
    if (rows.empty())
        return;
    showContextMenu(lists_.mailList(), rows.front(), mailMenuEntries());
}

// The row's place is taken in the list's own coordinates, header included.
void WindowCommands::showContextMenu(QTreeWidget& view, int row,
                                     const std::vector<ContextEntry>& entries) {
    std::optional<QPoint> rowPosition;
    if (QTreeWidgetItem* item = row >= 0 ? view.topLevelItem(row) : nullptr)
        rowPosition = view.viewport()->mapTo(&view, view.visualItemRect(item).topLeft());
    const QRect onScreen(view.mapToGlobal(QPoint(0, 0)), view.size());
    const int command = services_.chooseFromMenu(entries, contextMenuPoint(onScreen, rowPosition));
    if (command != 0)
        dialog_.OnCommand(command);
}

} // namespace ombrix
