#pragma once
// Window timers by id, as a window keeps them: setting an id that runs restarts
// it with the new interval, killing an id that does not run is harmless, and a
// timer repeats until it is killed. Each tick reports its id.

#include <QObject>
#include <functional>
#include <map>

class QTimer;

namespace ombrix {

class WindowTimers : public QObject {
    Q_OBJECT
public:
    explicit WindowTimers(QObject* parent = nullptr);
    // The callback runs on the owner's thread, like the signal.
    explicit WindowTimers(std::function<void(int)> onTick, QObject* parent = nullptr);

    // Both may be called from any thread; off the owner's thread the call is
    // queued onto it (a worker run arms the window's hand-over timer this way).
    void set(int id, int milliseconds);
    void kill(int id);

    bool isActive(int id) const;
    int interval(int id) const;      // -1 when the id never ran
    int remainingTime(int id) const; // -1 when not active

signals:
    void fired(int id);

private:
    void setHere(int id, int milliseconds);
    void killHere(int id);

    std::map<int, QTimer*> timers_;
    std::function<void(int)> onTick_;
};

} // namespace ombrix
