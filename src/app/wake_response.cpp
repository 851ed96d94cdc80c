#include "app/wake_response.h"

#include "app/check_requests.h"
#include "app/watcher_set.h"
#include "core/run_host.h"
#include "platform/window_timers.h"

namespace ombrix {

WakeResponse::WakeResponse(WatcherSet& watchers, CheckRequests& requests, WindowTimers& timers,
                           Clock wallClock, QObject* parent)
    : QObject(parent), watchers_(watchers), requests_(requests), timers_(timers),
      wallClock_(std::move(wallClock)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleAfterWakeMs);
    connect(&settle_, &QTimer::timeout, this, [this] { requests_.request(); });
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
    if (overdue) {
        settle_.stop();
        requests_.request();
        return;
    }
    settle_.start();
}

void WakeResponse::backOnline() {
    watchers_.reconnectAll();
    settle_.start();
}

} // namespace ombrix
