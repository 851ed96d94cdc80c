#include "cli/cli_command.h"
#include "config/directory_claim.h"
#include "config/program_directory.h"
#include "config/running_instance.h"
#include "core/language.h"

#include <ostream>

namespace ombrix {
namespace {

std::string desktopRunningText(const std::string& directory) {
    return Text("das Desktop-Programm läuft auf ", "the desktop program is running on ") +
           directory +
           Text("; beenden Sie es oder nehmen Sie die Änderung in seinem Fenster vor.",
                "; quit it or make the change in its window.");
}

std::string handedOverText(const std::string& directory) {
    return Text("das Desktop-Programm auf ", "the desktop program on ") + directory +
           Text(" prüft jetzt.", " checks now.");
}

std::string busyText(const std::string& directory) {
    return Text("ein anderer ombrix-Befehl ändert ", "another ombrix command is changing ") +
           directory + Text("; versuchen Sie es später noch einmal.", "; try again later.");
}

std::string waitingText(const std::string& directory) {
    return Text("warte auf einen anderen ombrix-Befehl in ",
                "waiting for another ombrix command in ") +
           directory + "...";
}

// A desktop program that holds the directory but does not answer (still
// starting, or hung) makes the command refuse as any other writer would.
int handToDesktop(CommandArguments& arguments, const std::string& directory,
                  const CliContext& context) {
    arguments.expectNoMore();
    if (askRunningInstance(directory, {InstanceRequestKind::Check, {}})) {
        context.io.err << "ombrix: " << handedOverText(directory) << '\n';
        return 0;
    }
    context.io.err << "ombrix: " << desktopRunningText(directory) << '\n';
    return kExitDirectoryBusy;
}

} // namespace

int runWritingCommand(const CliCommand& command, CommandArguments& arguments,
                      const CliContext& context) {
    const std::string directory = findProgramDirectory(context.directory);
    const DirectoryClaim claim = DirectoryClaim::forCommand(directory, commandWait(), [&] {
        context.io.err << "ombrix: " << waitingText(directory) << std::endl;
    });
    switch (claim.outcome()) {
    case ClaimOutcome::Held:
        return command.run(arguments, context);
    case ClaimOutcome::DesktopRunning:
        if (command.desktopDoesIt)
            return handToDesktop(arguments, directory, context);
        context.io.err << "ombrix: " << desktopRunningText(directory) << '\n';
        return kExitDirectoryBusy;
    case ClaimOutcome::Busy:
        break;
    }
    context.io.err << "ombrix: " << busyText(directory) << '\n';
    return kExitDirectoryBusy;
}

} // namespace ombrix
