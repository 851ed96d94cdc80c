#pragma once
// Runs the real ombrix executable with arguments, standard input and extra
// environment, and collects what it printed and its exit code.

#include "support/temp_dir.h"

#include <string>
#include <vector>

namespace ombrix::test {

struct ProgramResult {
    int exitCode = -1;
    int killedBy = 0; // the signal that ended the program, 0 when it exited
    std::string out;
    std::string err;
};

// `environment` holds NAME=value entries that override the inherited ones.
ProgramResult runOmbrix(const std::vector<std::string>& arguments, const std::string& input = "",
                        const std::vector<std::string>& environment = {});

// The same, started in the background, for a test that acts while it runs.
class RunningOmbrix {
public:
    RunningOmbrix(const std::vector<std::string>& arguments, const std::string& input = "",
                  const std::vector<std::string>& environment = {});
    ~RunningOmbrix(); // kills the program if finish() was not called
    RunningOmbrix(const RunningOmbrix&) = delete;
    RunningOmbrix& operator=(const RunningOmbrix&) = delete;

    void sendSignal(int signalNumber) const;
    // What the program has written to stderr up to now.
    std::string errSoFar() const;
    // Waits for the program's end; a program ended by a signal gets 128 + its number.
    ProgramResult finish();

private:
    TempDir io_;
    int pid_ = -1;
};

} // namespace ombrix::test
