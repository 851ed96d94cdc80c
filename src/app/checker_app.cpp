#include "app/checker_app.h"

#include "app/checker_dlg.h"
#include "app/desktop_texts.h"
#include "app/instance_server.h"
#include "app/instant_checks.h"
#include "app/keyring_worker.h"
#include "app/server_marks.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "cli/cli.h"
#include "config/background_state_load.h"
#include "config/directory_claim.h"
#include "config/keyring_settling.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/trusted_certificates.h"
#include "core/access_tokens.h"
#include "core/language.h"
#include "core/process_state.h"
#include "core/run_flags.h"
#include "mark/mark_postbox.h"
#include "mark/pending_check.h"
#include "oauth/token_broker.h"
#include "platform/desktop_notifier.h"
#include "platform/desktop_session.h"
#include "platform/keyboard.h"
#include "platform/keyring_lock_watch.h"
#include "platform/qt_message_presenter.h"
#include "platform/qt_translations.h"
#include "platform/termination_signals.h"
#include "res/menus.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <cstdlib>
#include <iostream>

namespace ombrix {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// A desktop program or a command may hold the directory; a command lets go
// when it ends, a desktop program answers on its server (maybe only once it
// has finished starting).
constexpr int kClaimWaitMs = 60000;
constexpr unsigned long kClaimRetryMs = 100;

// The claim on programDirectory, or nothing when the program that holds it
// was asked to show its window (with the launcher's activation token: on
// Wayland only that lets it come to the front).
std::optional<DirectoryClaim> claimOrShowTheOther() {
    const InstanceRequest show{InstanceRequestKind::Show, startupActivationToken().toStdString()};
    QDeadlineTimer deadline(kClaimWaitMs);
    for (;;) {
        DirectoryClaim claim = DirectoryClaim::forDesktop(programDirectory);
        if (claim.held() || claim.outcome() == ClaimOutcome::Unopenable)
            return claim;
        if (askRunningInstance(programDirectory, show))
            return std::nullopt;
        if (deadline.hasExpired())
            return claim;
        QThread::msleep(kClaimRetryMs);
    }
}

// ombrix.conf first (the load reads which accounts sign in with OAuth from
// it), then the state files behind the building of the window.
void startLoading(std::optional<BackgroundStateLoad>& load) {
    replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
    resetAccountsAndFlags();
    load.emplace();
}

// A command asks for a check as the tray menu's "check now" does; a second
// start brings the window out of the tray and to the front.
void answerInstanceRequest(CCheckerDlg& dialog, const InstanceRequest& request) {
    if (request.kind == InstanceRequestKind::Check) {
        dialog.OnCommand(res::kCmdCheckNow);
        return;
    }
    if (windowHidden == 1)
        dialog.OnCommand(res::kCmdOpenWindow);
    activateWindow(&dialog, QString::fromStdString(request.activationToken));
}

} // namespace

bool displayAvailable() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

int CCheckerApp::run(int& argc, char** argv, const std::optional<std::string>& directory) {
    if (!displayAvailable()) {
        std::cerr << desktop_texts::noDisplay() << '\n';
        return 1;
    }
    // The state files load while Qt and the window come up, once the
    // directory is ours; the first check counts from the process's start.
    programDirectory = findProgramDirectory(directory);
    std::optional<DirectoryClaim> claim = DirectoryClaim::forDesktop(programDirectory);
    std::optional<BackgroundStateLoad> stateLoad;
    if (claim->held())
        startLoading(stateLoad);

    QApplication application(argc, argv);
    // The X11 window class: tools find our windows (and the tray icon's) by it.
    QApplication::setApplicationName(QStringLiteral("ombrix"));
    // Wayland's app id: the desktop file's name, so that the desktop shows our
    // icon and can pin the window.
    QApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntry));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!lockLedsReachable())
        installKeyboard(makeUnreachableKeyboard());
    if (!installQtTranslations(Language))
        std::cerr << "ombrix: Qt's German texts are missing (package qt6-translations-l10n)\n";

    if (!claim->held() && claim->outcome() != ClaimOutcome::Unopenable)
        claim = claimOrShowTheOther();
    if (!claim) // the desktop program already on this directory has been shown
        return 0;
    if (claim->outcome() == ClaimOutcome::Unopenable) {
        std::cerr << "ombrix: " << unopenableLockText(*claim) << '\n';
        return kExitDirectoryBusy;
    }
    if (!claim->held()) {
        std::cerr << desktop_texts::directoryBusy(programDirectory) << '\n';
        return kExitDirectoryBusy;
    }
    if (!stateLoad)
        startLoading(stateLoad);

    QtMessagePresenter presenter;
    installMessagePresenter(&presenter);
    chooseKeyringFromConf();
    loadTrustedCertificates(programDirectory);
    setAccessTokenSource(oauth::makeOAuthTokenSource()); // before any run or watcher
    int exitCode = 0;
    {
        MarkPostbox marks; // outlives the window: its last marks are posted on the way out
        CCheckerDlg dialog;
        dialog.state().markPostbox = &marks;
        dialog.setCheckRun([](RunHost& host) { checkWithPendingMarks(host); });
        InstanceServer server(
            instanceSocketPath(programDirectory),
            [&dialog](const InstanceRequest& request) { answerInstanceRequest(dialog, request); });
        DesktopNotifier desktop;             // the desktop's own notifications, where it has them
        WindowLists lists(dialog, &desktop); // the account and mail lists, the notification panel
        WindowCommands commands(dialog, lists);
        InstantChecks instant(dialog); // IDLE, wake-up and network return
        QObject::connect(&dialog, &CCheckerDlg::panelFillDue, &lists.panel(),
                         [&lists] { lists.panel().fillFromSettings(); });
        commands.install();
        instant.install();
        lists.install(); // after the others: its end of a run follows theirs
        lists.panel().setIdleSwitched([&instant] { instant.watchers().update(); });
        // A logout or `kill` ends the program as Quit would, without asking.
        TerminationSignals terminate([&dialog] { dialog.endSession(); });
        dialog.OnInitDialog(StartUp{&*stateLoad, started_});
        instant.start();
        // The passwords move into the keyring while the window is up already.
        // Its answers may bring the passwords the IDLE watchers wait for.
        KeyringWorker keyring(dialog, [&dialog, &lists, &instant] {
            lists.panel().fillFromSettings();
            dialog.layoutControls(); // the keyring's notice may come or go
            instant.watchers().update();
        });
        keyring.onListsChanged([&dialog] { dialog.refreshLists(RefreshMode::AccountsOnly); });
        dialog.setKeyringWorker(&keyring);
        // Unlocked from the desktop's own prompt, or a keyring that comes
        // late or starts again: the passwords come without a check by hand.
        KeyringLockWatch keyringLock;
        keyring.follow(keyringLock);
        keyring.start();
        if (!dialog.sessionEnded()) // a signal during the start-up's question
            exitCode = QApplication::exec();
        dialog.setKeyringWorker(nullptr);
    }
    installMessagePresenter(nullptr);
    return exitCode;
}

} // namespace ombrix
