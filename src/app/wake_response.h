#pragma once
// What the desktop program does when the machine wakes up, the network comes
// back or the route to the internet changes: every IDLE watcher connects
// anew, and after a wake-up or the network's return a check follows 2 s
// later, once the network has settled. After a wake-up the automatic check's
// period starts anew; a check that fell due during the sleep runs at once
// (the window's timers count no time asleep). A machine that wakes up
// offline waits for the network (at most 30 s) before that check: run
// earlier, it only fails every account. Window thread only.

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
inline constexpr std::chrono::milliseconds kNetworkWaitAfterWake{30000};

class WakeResponse : public QObject {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    // Whether the network reaches the internet now (true where nobody knows).
    using Reachable = std::function<bool()>;

    WakeResponse(
        WatcherSet& watchers, CheckRequests& requests, WindowTimers& timers,
        Clock wallClock = std::chrono::system_clock::now, Reachable reachable = [] { return true; },
        std::chrono::milliseconds networkWait = kNetworkWaitAfterWake, QObject* parent = nullptr);

    void goingToSleep();
    void wokeUp();
    void backOnline();
    // Another way out took over (Wi-Fi to cable, a VPN came up): the
    // watchers' connections went out the old one.
    void routeChanged();

    // For tests: whether the settling check is still to come, and whether
    // the wake-up's check waits for the network.
    bool checkPending() const { return settle_.isActive(); }
    bool waitingForNetwork() const { return networkWait_.isActive(); }

private:
    struct Sleep {
        std::chrono::system_clock::time_point since;
        std::chrono::milliseconds checkDue; // CheckTimer's remaining time then
    };

    void startWakeCheck(bool overdue);

    WatcherSet& watchers_;
    CheckRequests& requests_;
    WindowTimers& timers_;
    Clock wallClock_;
    Reachable reachable_;
    QTimer settle_;
    QTimer networkWait_;   // runs while the wake-up's check waits for the network
    bool overdue_ = false; // that check fell due during the sleep
    std::optional<Sleep> sleep_;
};

} // namespace ombrix
