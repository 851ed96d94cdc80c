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

// One line on stderr for a claim the command did not get.
int refused(const DirectoryClaim& claim, const std::string& directory, const CliContext& context) {
    context.io.err << "ombrix: ";
    switch (claim.outcome()) {
    case ClaimOutcome::DesktopRunning:
        context.io.err << desktopRunningText(directory);
        break;
    case ClaimOutcome::Unopenable:
        context.io.err << unopenableLockText(claim);
        break;
    case ClaimOutcome::Held:
    case ClaimOutcome::Busy:
        context.io.err << busyText(directory);
        break;
    }
    context.io.err << '\n';
    return kExitDirectoryBusy;
}

DirectoryClaim claimFor(const std::string& directory, const CliContext& context) {
    return DirectoryClaim::forCommand(directory, commandWait(), [&] {
        context.io.err << "ombrix: " << waitingText(directory) << std::endl;
    });
}

} // namespace

int runWritingCommand(const CliCommand& command, CommandArguments& arguments,
                      const CliContext& context) {
    if (command.asksFirst)
        return command.run(arguments, context);
    const std::string directory = findProgramDirectory(context.directory);
    const DirectoryClaim claim = claimFor(directory, context);
    if (claim.held())
        return command.run(arguments, context);
    if (claim.outcome() == ClaimOutcome::DesktopRunning && command.desktopDoesIt)
        return handToDesktop(arguments, directory, context);
    return refused(claim, directory, context);
}

// A probe, let go at once: what a claim would say now, except that another
// command's turn is no reason to refuse yet.
std::optional<int> refusedBeforeAsking(const CliContext& context) {
    const std::string directory = findProgramDirectory(context.directory);
    const DirectoryClaim probe =
        DirectoryClaim::forCommand(directory, std::chrono::milliseconds(0), {});
    if (probe.held() || probe.outcome() == ClaimOutcome::Busy)
        return std::nullopt;
    return refused(probe, directory, context);
}

int whileHoldingDirectory(const CliContext& context, const std::function<int()>& act) {
    const std::string directory = findProgramDirectory(context.directory);
    const DirectoryClaim claim = claimFor(directory, context);
    if (!claim.held())
        return refused(claim, directory, context);
    return act();
}

} // namespace ombrix
