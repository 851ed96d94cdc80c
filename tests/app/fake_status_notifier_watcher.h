#pragma once
// org.kde.StatusNotifierWatcher as a test plays it: a host is registered, so
// Qt chooses its StatusNotifierItem tray; an item that registers is recorded
// with its bus name and object path. Qt reads the host property through the
// watcher's introspection, which therefore lists the properties. Qt asks
// with blocking calls, so the watcher serves from a thread of its own.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QString>
#include <QThread>

namespace ombrix::test {

class FakeStatusNotifierWatcher : public QDBusVirtualObject {
    Q_OBJECT

public:
    explicit FakeStatusNotifierWatcher(QDBusConnection bus);
    ~FakeStatusNotifierWatcher() override;

    bool registered() const { return registered_; }
    // The item that registered last: its bus name and object path (empty
    // before any did).
    QString itemService() const;
    QString itemPath() const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

signals:
    void itemRegistered();

private:
    QVariant property(const QString& name) const;
    QDBusMessage answer(const QDBusMessage& message);

    QDBusConnection bus_;
    QThread thread_;
    bool registered_ = false;
    mutable QMutex mutex_; // the item's name is written on the watcher's thread
    QString itemService_;
    QString itemPath_;
};

} // namespace ombrix::test
