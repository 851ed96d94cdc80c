#include "platform/window_timers.h"

#include <QThread>
#include <QTimer>

namespace ombrix {

WindowTimers::WindowTimers(QObject* parent) : QObject(parent) {}

WindowTimers::WindowTimers(std::function<void(int)> onTick, QObject* parent)
    : QObject(parent), onTick_(std::move(onTick)) {}

void WindowTimers::set(int id, int milliseconds) {
    if (QThread::currentThread() == thread()) {
        setHere(id, milliseconds);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, id, milliseconds] { setHere(id, milliseconds); }, Qt::QueuedConnection);
}

void WindowTimers::kill(int id) {
    if (QThread::currentThread() == thread()) {
        killHere(id);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, id] { killHere(id); }, Qt::QueuedConnection);
}

void WindowTimers::setHere(int id, int milliseconds) {
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (onTick_)
                onTick_(id);
            emit fired(id);
        });
    }
    timer->start(milliseconds < 0 ? 0 : milliseconds); // start() restarts a running timer
}

void WindowTimers::killHere(int id) {
    auto found = timers_.find(id);
    if (found != timers_.end())
        found->second->stop();
}

bool WindowTimers::isActive(int id) const {
    auto found = timers_.find(id);
    return found != timers_.end() && found->second->isActive();
}

int WindowTimers::interval(int id) const {
    auto found = timers_.find(id);
    return found == timers_.end() ? -1 : found->second->interval();
}

int WindowTimers::remainingTime(int id) const {
    auto found = timers_.find(id);
    return found == timers_.end() ? -1 : found->second->remainingTime();
}

} // namespace ombrix
