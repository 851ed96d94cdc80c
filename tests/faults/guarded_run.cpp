#include "faults/guarded_run.h"

#include "support/child_environment.h"
#include "support/temp_dir.h"

#include <csignal>
#include <poll.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrix::test {
namespace {

// Waits for the child's end; false when the guard passed first.
bool endsWithin(pid_t child, std::chrono::seconds guard) {
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    if (pidFd < 0)
        throw std::runtime_error("pidfd_open failed");
    pollfd watched{pidFd, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + guard;
    int ready = 0;
    while (ready == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0)
            ready = 0; // EINTR: wait on
    }
    ::close(pidFd);
    return ready > 0;
}

} // namespace

GuardedResult runGuarded(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, const std::string& input,
                         std::chrono::seconds guard) {
    TempDir io;
    writeBytes(io / "in", input);
    std::vector<std::string> argv{OMBRIX_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const pid_t child = spawnWithFiles(std::move(argv), environment, io.path());

    GuardedResult result;
    result.ended = endsWithin(child, guard);
    if (!result.ended)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (result.ended && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (result.ended && WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = readBytes(io / "out");
    result.err = readBytes(io / "err");
    return result;
}

std::string sanitizerReport(const std::string& err) {
    for (const char* marker :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: AddressSanitizer",
          "runtime error:", "ERROR: ThreadSanitizer", "WARNING: ThreadSanitizer"}) {
        const std::size_t at = err.find(marker);
        if (at != std::string::npos)
            return err.substr(at, err.find('\n', at) - at);
    }
    return {};
}

} // namespace ombrix::test
