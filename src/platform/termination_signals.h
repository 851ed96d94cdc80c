#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, `kill`, a closed terminal) turned into
// a call on the window thread, so the program can end the way its Quit
// command does instead of dying between two saves. Only the first signal is
// caught: a second one ends the process at once, for a shutdown that hangs.

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace ombrix {

class TerminationSignals : public QObject {
public:
    // `onSignal` runs on the thread that owns this object, from its event
    // loop. One instance at a time.
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void onReadable();

    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace ombrix
