#include "cli/run_program.h"

#include "support/child_environment.h"
#include "support/temp_dir.h"

#include <csignal>
#include <stdexcept>
#include <sys/wait.h>

namespace ombrix::test {

RunningOmbrix::RunningOmbrix(const std::vector<std::string>& arguments, const std::string& input,
                             const std::vector<std::string>& environment) {
    writeBytes(io_ / "in", input);
    std::vector<std::string> argv{OMBRIX_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // Never the developer's own keyring: the program finds no session bus
    // unless the test names one.
    std::vector<std::string> overrides{"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"};
    overrides.insert(overrides.end(), environment.begin(), environment.end());
    pid_ = spawnWithFiles(std::move(argv), overrides, io_.path());
}

RunningOmbrix::~RunningOmbrix() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void RunningOmbrix::sendSignal(int signalNumber) const {
    ::kill(pid_, signalNumber);
}

std::string RunningOmbrix::errSoFar() const {
    return readBytes(io_ / "err");
}

ProgramResult RunningOmbrix::finish() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    ProgramResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.killedBy = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = readBytes(io_ / "out");
    result.err = readBytes(io_ / "err");
    return result;
}

ProgramResult runOmbrix(const std::vector<std::string>& arguments, const std::string& input,
                        const std::vector<std::string>& environment) {
    return RunningOmbrix(arguments, input, environment).finish();
}

} // namespace ombrix::test
