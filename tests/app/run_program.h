#pragma once
// Runs the real ombrix executable with arguments, standard input and extra
// environment, and collects what it printed and its exit code.

#include <string>
#include <vector>

namespace ombrix::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `environment` holds NAME=value entries that override the inherited ones.
ProgramResult runOmbrix(const std::vector<std::string>& arguments, const std::string& input = "",
                        const std::vector<std::string>& environment = {});

} // namespace ombrix::test
