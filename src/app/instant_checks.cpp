#include "app/instant_checks.h"

#include "app/checker_dlg.h"

namespace ombrix {

// A request while the window still hands over a run's end waits for it, as
// one during the run does: the lists must be saved before the next run. None
// of these checks was asked for by the user at this moment: they come
// without the wait dialog.
InstantChecks::InstantChecks(CCheckerDlg& dialog, QDBusConnection systemBus, WatchTimings timings)
    : dialog_(dialog),
      requests_([&dialog] { dialog.checkQuietly(); },
                [&dialog] { return dialog.runActive() || dialog.handOverPending(); }),
      watchers_([this] { requests_.request(); }, timings),
      wake_(watchers_, requests_, dialog.timers(), std::chrono::system_clock::now,
            [this] { return network_.reachable(); }),
      sleep_(std::move(systemBus)) {
    QObject::connect(&sleep_, &SleepWatch::goingToSleep, &wake_, [this] { wake_.goingToSleep(); });
    QObject::connect(&sleep_, &SleepWatch::wokeUp, &wake_, [this] { wake_.wokeUp(); });
    QObject::connect(&network_, &NetworkWatch::backOnline, &wake_, [this] { wake_.backOnline(); });
    QObject::connect(&network_, &NetworkWatch::routeChanged, &wake_,
                     [this] { wake_.routeChanged(); });
}

void InstantChecks::install() {
    CCheckerDlg* window = &dialog_;
    // A deletion run works on the server's mailboxes: no watcher meanwhile.
    QObject::connect(window, &CCheckerDlg::runStarting, &receiver_, [this](RunKind kind) {
        if (kind == RunKind::Deletion)
            watchers_.hold();
    });
    QObject::connect(window, &CCheckerDlg::runOver, &receiver_, [this](RunKind kind) {
        if (kind == RunKind::Deletion)
            watchers_.release();
        requests_.runEnded();
    });
    QObject::connect(window, &CCheckerDlg::sessionEnding, &receiver_,
                     [this] { watchers_.stopAll(); });
    QObject::connect(window, &CCheckerDlg::accountsHeld, &receiver_,
                     [this](int editedRow) { watchers_.leaveOut(editedRow); });
    QObject::connect(window, &CCheckerDlg::accountsReleased, &receiver_,
                     [this] { watchers_.leaveOut(-1); });
    // A login the check run got through again lets a refused watcher try.
    QObject::connect(window, &CCheckerDlg::loginPassed, &receiver_,
                     [this](int row) { watchers_.loginPassed(row); });
}

} // namespace ombrix
