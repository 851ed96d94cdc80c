#pragma once
// What the desktop program does when the machine wakes up or the network
// comes back: every IDLE watcher connects anew and a check follows 2 s later,
// once the network has settled. After a wake-up the automatic check's period
// starts anew; a check that fell due during the sleep runs at once (the
// window's timers count no time asleep). Window thread only.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

namespace ombrix {

class CheckRequests;
class WatcherSet;
class WindowTimers;

inline constexpr int kSettleAfterWakeMs = 2000;

class WakeResponse : public QObject {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    WakeResponse(WatcherSet& watchers, CheckRequests& requests, WindowTimers& timers,
                 Clock wallClock = std::chrono::system_clock::now, QObject* parent = nullptr);

    void goingToSleep();
    void wokeUp();
    void backOnline();

    // For tests: whether the settling check is still to come.
    bool checkPending() const { return settle_.isActive(); }

private:
    struct Sleep {
        std::chrono::system_clock::time_point since;
        std::chrono::milliseconds checkDue; // CheckTimer's remaining time then
    };

    WatcherSet& watchers_;
    CheckRequests& requests_;
    WindowTimers& timers_;
    Clock wallClock_;
    QTimer settle_;
    std::optional<Sleep> sleep_;
};

} // namespace ombrix
