#include "platform/termination_signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ombrix {

namespace {

constexpr std::array kCaught{SIGTERM, SIGINT, SIGHUP};

// The pipe the handler writes to: a handler may do nothing but that.
int wakeRead = -1;
int wakeWrite = -1;

void restoreDefaults() {
    for (const int number : kCaught)
        std::signal(number, SIG_DFL);
}

extern "C" void onTerminationSignal(int) {
    const int saved = errno;
    restoreDefaults(); // the next signal is not caught: it ends the process
    const char byte = 1;
    [[maybe_unused]] const auto ignored = write(wakeWrite, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default action
    wakeRead = ends[0];
    wakeWrite = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(wakeRead, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { onReadable(); });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kCaught)
        sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    restoreDefaults();
    notifier_.reset();
    close(wakeRead);
    close(wakeWrite);
    wakeRead = wakeWrite = -1;
}

void TerminationSignals::onReadable() {
    char bytes[16];
    while (read(wakeRead, bytes, sizeof bytes) > 0) {
    }
    if (onSignal_)
        onSignal_();
}

} // namespace ombrix
