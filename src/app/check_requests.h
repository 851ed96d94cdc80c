#pragma once
// Checks asked for from outside the timers: an IDLE watcher that saw the
// mailbox change, a wake-up, the network coming back. The first request
// starts a check at once; further requests within 2 s of it make one more
// check at the end of those 2 s; a request while a run is active starts one
// more check when the run has ended. Window thread only.

#include <QObject>
#include <QTimer>
#include <functional>

namespace ombrix {

inline constexpr int kCheckRequestQuietMs = 2000;

class CheckRequests : public QObject {
public:
    // startCheck starts a check with CheckTimer's guards; runActive tells
    // whether the window's worker runs.
    CheckRequests(std::function<void()> startCheck, std::function<bool()> runActive,
                  QObject* parent = nullptr);

    void request();
    // The window's run has ended and its lists are refreshed.
    void runEnded();

    // For tests: whether a check waits for the quiet time or for a run's end,
    // and whether a request now would wait for the quiet time.
    bool waitingForQuiet() const { return pending_; }
    bool waitingForRun() const { return afterRun_; }
    bool quietTimeRunning() const { return quiet_.isActive(); }

private:
    void start();
    void quietEnded();

    std::function<void()> startCheck_;
    std::function<bool()> runActive_;
    QTimer quiet_;
    bool pending_ = false;
    bool afterRun_ = false;
};

} // namespace ombrix
