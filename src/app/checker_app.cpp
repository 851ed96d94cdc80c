#include "app/checker_app.h"

#include "app/checker_dlg.h"
#include "app/desktop_texts.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "platform/desktop_notifier.h"
#include "platform/qt_message_box.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>

namespace ombrix {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
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
    QApplication application(argc, argv);
    // The X11 window class: tools find our windows (and the tray icon's) by it.
    QApplication::setApplicationName(QStringLiteral("ombrix"));
    QApplication::setDesktopFileName(QStringLiteral("ombrix"));
    QApplication::setQuitOnLastWindowClosed(false);

    QtMessagePresenter presenter;
    installMessagePresenter(&presenter);
    programDirectory = findProgramDirectory(directory);
    programConf = loadProgramConf(programConfPath(programDirectory));
    int exitCode = 0;
    {
        CCheckerDlg dialog;
        DesktopNotifier desktop;             // the desktop's own notifications, where it has them
        WindowLists lists(dialog, &desktop); // the account and mail lists, the notification panel
        WindowCommands commands(dialog, lists);
        WindowHooks hooks;
        hooks.fillPanel = [&lists] { lists.panel().fillFromSettings(); };
        commands.install(hooks);
        dialog.setHooks(std::move(hooks));
        dialog.OnInitDialog();
        exitCode = QApplication::exec();
    }
    installMessagePresenter(nullptr);
    return exitCode;
}

} // namespace ombrix
