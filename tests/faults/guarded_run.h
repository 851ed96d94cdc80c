#pragma once
// Runs the ombrix executable of this build and waits for its end, killing it
// after a generous guard that only a hung run reaches.

#include <chrono>
#include <string>
#include <vector>

namespace ombrix::test {

struct GuardedResult {
    bool ended = false; // false: the guard killed it
    int exitCode = -1;  // when it exited
    int signal = 0;     // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

GuardedResult runGuarded(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, const std::string& input,
                         std::chrono::seconds guard);

// The first line of a sanitizer report in `err`, or empty.
std::string sanitizerReport(const std::string& err);

} // namespace ombrix::test
