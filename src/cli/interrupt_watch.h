#pragma once
// SIGINT and SIGTERM during a command-line run. Instead of ending the process
// wherever it is (perhaps between writing a state file and renaming it into
// place), a signal aborts the run as the wait dialog's button would; the run
// ends in its own time and the command then exits with the shell's status for
// the signal, 128 + its number (130, 143).

#include <atomic>
#include <csignal>
#include <thread>

namespace ombrix {

class InterruptWatch {
public:
    // Blocks SIGINT and SIGTERM in this thread, and so in every thread it
    // starts from now on, and takes them on a watcher thread instead. Make it
    // before the run's threads and keep it until the command has saved.
    InterruptWatch();
    // Stops the watcher and unblocks the signals again.
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool interrupted() const { return signalNumber_ != 0; }
    // 128 + the signal's number after a signal, else the run's own status.
    int exitStatus(int runStatus) const;

private:
    void watch(); // runs on the watcher thread
    void takePending();

    sigset_t watched_{};
    sigset_t previousMask_{};
    int signalFd_ = -1;
    int stopFd_ = -1;
    std::atomic<int> signalNumber_{0};
    std::thread watcher_;
};

} // namespace ombrix
