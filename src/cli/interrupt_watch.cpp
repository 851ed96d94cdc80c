#include "cli/interrupt_watch.h"

#include "core/run_flags.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace ombrix {
namespace {

// After a signal, how often the abort is asserted again: a run that starts
// clears abortRequest, so one set before its start would be lost.
constexpr int kReassertMs = 100;

} // namespace

InterruptWatch::InterruptWatch() {
    sigemptyset(&watched_);
    sigaddset(&watched_, SIGINT);
    sigaddset(&watched_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &watched_, &previousMask_);
    signalFd_ = signalfd(-1, &watched_, SFD_CLOEXEC | SFD_NONBLOCK);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    watcher_ = std::thread([this] { watch(); });
}

InterruptWatch::~InterruptWatch() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(stopFd_, &one, sizeof one);
    watcher_.join();
    takePending(); // one that came while the watcher was ending
    ::close(signalFd_);
    ::close(stopFd_);
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

int InterruptWatch::exitStatus(int runStatus) const {
    return interrupted() ? 128 + signalNumber_ : runStatus;
}

void InterruptWatch::takePending() {
    signalfd_siginfo info{};
    while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        int none = 0;
        signalNumber_.compare_exchange_strong(none, static_cast<int>(info.ssi_signo));
    }
}

void InterruptWatch::watch() {
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}};
    for (;;) {
        const int result = ::poll(fds, 2, interrupted() ? kReassertMs : -1);
        if (result < 0 && errno != EINTR) {
            return;
        }
        if (result > 0 && fds[0].revents != 0) {
            return;
        }
        takePending();
        if (interrupted()) {
            abortRequest = 1;
        }
    }
}

} // namespace ombrix
