#include "app/run_program.h"

#include "support/child_environment.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

namespace ombrix::test {

RunningOmbrix::RunningOmbrix(const std::vector<std::string>& arguments, const std::string& input,
                             const std::vector<std::string>& environment) {
    writeBytes(io_ / "in", input);
    std::vector<std::string> argv{OMBRIX_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = environmentWith(environment);
    auto argvPointers = pointers(argv);
    auto envPointers = pointers(envp);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (io_ / "in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (io_ / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (io_ / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argvPointers[0], &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + argv[0]);
    pid_ = child;
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
