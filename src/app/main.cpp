#include "app/cli.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ombrix::CliStreams io{std::cin, std::cout, std::cerr};
    if (const auto exitCode = ombrix::runCli(arguments, io))
        return *exitCode;
    std::cerr << ombrix::desktopMissingText() << '\n';
    return 1;
}
