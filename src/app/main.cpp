#include "app/desktop_launch.h"
#include "cli/cli.h"
#include "platform/heap_growth.h"

#include <iostream>
#include <string>
#include <vector>

// The command-line modes when a command is named, else the desktop program.
// This executable links no Qt, so a command starts in a few milliseconds.
int main(int argc, char** argv) {
    ombrix::shareOneHeapAcrossThreads();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ombrix::CliStreams io{std::cin, std::cout, std::cerr};
    if (const auto exitCode = ombrix::runCli(arguments, io))
        return *exitCode;
    return ombrix::startDesktopProgram(argv);
}
