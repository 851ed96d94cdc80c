#include "app/desktop_launch.h"
#include "cli/cli.h"
#include "platform/malloc_tuning.h"

#include <iostream>
#include <string>
#include <vector>

// The command-line modes, started by the command `ombrix` when a command is
// named. This executable links no Qt, so a command starts in a few
// milliseconds. Run without a command it starts the desktop program, as
// `ombrix` would.
int main(int argc, char** argv) {
    ombrix::shareOneHeapAcrossThreads();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ombrix::CliStreams io{std::cin, std::cout, std::cerr};
    if (const auto exitCode = ombrix::runCli(arguments, io))
        return *exitCode;
    return ombrix::startDesktopProgram(argv);
}
