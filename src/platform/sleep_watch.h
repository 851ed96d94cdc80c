#pragma once
// logind's word that the machine goes to sleep or has woken up
// (org.freedesktop.login1.Manager.PrepareForSleep on the system bus). Without
// a system bus or logind nothing is announced, and nothing waits for them.

#include <QDBusConnection>
#include <QObject>

namespace ombrix {

inline constexpr const char* kLogindService = "org.freedesktop.login1";
inline constexpr const char* kLogindPath = "/org/freedesktop/login1";
inline constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

class SleepWatch : public QObject {
    Q_OBJECT

public:
    explicit SleepWatch(QDBusConnection bus = QDBusConnection::systemBus(),
                        QObject* parent = nullptr);

    // Whether the bus took our interest in the signal.
    bool listening() const { return listening_; }

signals:
    void goingToSleep();
    void wokeUp();

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    bool listening_ = false;
};

} // namespace ombrix
