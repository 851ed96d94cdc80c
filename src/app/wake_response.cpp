#include "app/wake_response.h"

#include "app/check_requests.h"
#include "app/watcher_set.h"
#include "core/run_host.h"
#include "platform/window_timers.h"

namespace ombrix {

WakeResponse::WakeResponse(WatcherSet& watchers, CheckRequests& requests, WindowTimers& timers,
                           Clock wallClock, Reachable reachable,
                           std::chrono::milliseconds networkWait, QObject* parent)
    : QObject(parent), watchers_(watchers), requests_(requests), timers_(timers),
      wallClock_(std::move(wallClock)), reachable_(std::move(reachable)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleAfterWakeMs);
    connect(&settle_, &QTimer::timeout, this, [this] { requests_.request(); });
    // The network has not come back in time: the check runs anyway, and
    // shows which accounts cannot be reached.
    networkWait_.setSingleShot(true);
    networkWait_.setInterval(networkWait);
    connect(&networkWait_, &QTimer::timeout, this, [this] { startWakeCheck(overdue_); });
}

void WakeResponse::goingToSleep() {
    const int remaining = timers_.remainingTime(CheckTimer);
    if (remaining >= 0)
        sleep_ = Sleep{wallClock_(), std::chrono::milliseconds(remaining)};
}

void WakeResponse::wokeUp() {
    watchers_.reconnectAll();
    const int period = timers_.interval(CheckTimer);
    if (period > 0 && timers_.isActive(CheckTimer))
        timers_.set(CheckTimer, period);
    const bool overdue = sleep_ && wallClock_() - sleep_->since >= sleep_->checkDue;
    sleep_.reset();
    if (!reachable_()) {
        settle_.stop();
        overdue_ = overdue;
        networkWait_.start();
        return;
    }
    startWakeCheck(overdue);
}

void WakeResponse::startWakeCheck(bool overdue) {
    networkWait_.stop();
    if (overdue) {
        settle_.stop();
        requests_.request();
        return;
    }
    settle_.start();
}

void WakeResponse::backOnline() {
    watchers_.reconnectAll();
    if (networkWait_.isActive()) {
        startWakeCheck(overdue_);
        return;
    }
    settle_.start();
}

void WakeResponse::routeChanged() {
    watchers_.reconnectAll();
}

} // namespace ombrix
