// The commands about the program itself: the mail program, help, starting
// with the desktop session, the web pages and the about box.

#include "app/checker_dlg.h"
#include "app/command_texts.h"
#include "app/window_commands.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "dialogs/about_box.h"
#include "platform/autostart.h"
#include "platform/message_box.h"
#include "platform/program_file.h"
#include "res/menus.h"

#include <QAction>
#include <QCoreApplication>
#include <filesystem>

namespace ombrix {

void WindowCommands::openMailClient() {
    const std::string command = services_.mailClientCommand();
    if (command.empty())
        return; // the desktop names no mail program: nothing to say
    if (!services_.startProgram(parseMailClientCommand(command)))
        messageBox(command_texts::noMailClient());
}

std::string WindowCommands::findHelpFile() const {
    for (const std::string& directory : services_.helpDirectories()) {
        const std::filesystem::path file =
            std::filesystem::path(directory) / command_texts::helpFile();
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error))
            return file.string();
    }
    return {};
}

void WindowCommands::openHelp() {
    const std::string file = findHelpFile();
    if (file.empty() || !services_.openUrl(file))
        messageBox(command_texts::helpFailed());
}

// The entry is written for this program and its directory, so that a start
// at log-in finds the same files.
void WindowCommands::toggleStartWithDesktop() {
    settings.startWithWindows = settings.startWithWindows == 1 ? 0 : 1;
    if (QAction* action = dialog_.menuAction(res::kCmdStartWithDesktop))
        action->setChecked(settings.startWithWindows == 1);
    deleteAutostartEntry();
    if (settings.startWithWindows == 1)
        writeAutostartEntry(programFile(), programDirectory);
    saveState(SaveKind::SettingsFile);
}

void WindowCommands::openWebPage(const char* url) {
    if (!services_.openUrl(url))
        messageBox(command_texts::browserFailed());
}

void WindowCommands::showAbout() {
    const auto box = makeAboutBox(&dialog_);
    services_.runDialog(*box);
}

} // namespace ombrix
