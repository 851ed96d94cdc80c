#pragma once
// The checks that do not wait for the interval: IDLE watchers that saw new
// mail, the machine waking up, the network coming back or changing its way
// out. Owns the watchers,
// the request coalescing and the desktop services, and connects them to the
// window's signals. Window thread only.

#include "app/check_requests.h"
#include "app/wake_response.h"
#include "app/watcher_set.h"
#include "platform/network_watch.h"
#include "platform/sleep_watch.h"

#include <QDBusConnection>
#include <QObject>

namespace ombrix {

class CCheckerDlg;

class InstantChecks {
public:
    explicit InstantChecks(CCheckerDlg& dialog,
                           QDBusConnection systemBus = QDBusConnection::systemBus(),
                           WatchTimings timings = {});

    // Follows the window's runs, account commands and end.
    void install();
    // Starts the watchers the accounts ask for (after the window's start-up).
    void start() { watchers_.update(); }

    WatcherSet& watchers() { return watchers_; }
    CheckRequests& requests() { return requests_; }
    WakeResponse& wake() { return wake_; }
    NetworkWatch& network() { return network_; }

private:
    CCheckerDlg& dialog_;
    CheckRequests requests_;
    WatcherSet watchers_;
    WakeResponse wake_;
    SleepWatch sleep_;
    NetworkWatch network_;
    QObject receiver_; // the window's signals reach this object while it lives
};

} // namespace ombrix
