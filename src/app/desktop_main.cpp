#include "app/checker_app.h"
#include "cli/cli.h"
#include "platform/malloc_tuning.h"
#include "platform/program_file.h"

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

// The desktop program. `ombrix` starts it in its own place when no command is
// named; a command given here directly still runs as it would there.
int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    ombrix::shareOneHeapAcrossThreads();
    ombrix::rememberProgramFile(argv[0]);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ombrix::CliStreams io{std::cin, std::cout, std::cerr};
    if (const auto exitCode = ombrix::runCli(arguments, io))
        return *exitCode;
    const ombrix::CliRequest request = ombrix::parseCommandLine(arguments);
    return ombrix::CCheckerApp(started).run(argc, argv, request.directory);
}
