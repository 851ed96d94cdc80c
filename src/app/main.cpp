#include "app/checker_app.h"
#include "app/cli.h"

#include <iostream>
#include <string>
#include <vector>

// The command-line modes when a command is named, else the desktop program.
int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ombrix::CliStreams io{std::cin, std::cout, std::cerr};
    if (const auto exitCode = ombrix::runCli(arguments, io))
        return *exitCode;
    const ombrix::CliRequest request = ombrix::parseCommandLine(arguments);
    return ombrix::CCheckerApp().run(argc, argv, request.directory);
}
