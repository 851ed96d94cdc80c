#pragma once
// org.kde.StatusNotifierWatcher as a test plays it: a host is registered, so
// Qt chooses its StatusNotifierItem tray; an item that registers is recorded
// with its bus name and object path. Qt reads the host property through the
// watcher's introspection, which therefore lists the properties. Qt asks
// with blocking calls, so the watcher serves from a thread of its own. It can
// stop and start again, as a tray that quits and comes back (or comes late).

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QString>
#include <QThread>
#include <chrono>

namespace ombrix::test {

class FakeStatusNotifierWatcher : public QDBusVirtualObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    // Started at once unless told otherwise.
    explicit FakeStatusNotifierWatcher(QDBusConnection bus, bool startNow = true);
    ~FakeStatusNotifierWatcher() override;

    // Running under the watcher's name.
    bool registered() const { return registered_; }
    // Takes the name; a watcher that starts knows no items.
    bool start();
    // Gives the name up, as a tray that quits.
    void stop();

    // The item that registered last: its bus name and object path (empty
    // before any did since the start).
    QString itemService() const;
    QString itemPath() const;
    // How many registrations arrived over all starts, and when the last
    // start and the last registration happened.
    int registrations() const;
    Clock::time_point startedAt() const;
    Clock::time_point registeredAt() const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

signals:
    void itemRegistered();

private:
    QVariant property(const QString& name) const;
    QDBusMessage answer(const QDBusMessage& message);

    QDBusConnection bus_;
    QThread thread_;
    bool exported_ = false;
    bool registered_ = false;
    mutable QMutex mutex_; // what the items did is written on the watcher's thread
    QString itemService_;
    QString itemPath_;
    int registrations_ = 0;
    Clock::time_point startedAt_;
    Clock::time_point registeredAt_;
};

} // namespace ombrix::test
