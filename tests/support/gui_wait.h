#pragma once
// Waiting in widget tests: run the event loop until a condition holds, with a
// generous upper bound so a broken case fails instead of hanging.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <functional>

namespace ombrix::test {

inline bool processEventsUntil(const std::function<bool()>& condition, int limitMs = 10000) {
    QDeadlineTimer deadline(limitMs);
    QTimer wakeUp; // conditions set by other threads post no event of their own
    wakeUp.start(5);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace ombrix::test
