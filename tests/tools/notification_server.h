#pragma once
// org.freedesktop.Notifications as a desktop offers it, with actions and
// body markup: it keeps the notification the program sent last (a new one
// or one that replaced its predecessor) for the bubble to draw, and tells
// the sender when a notification is closed or a button pressed.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <utility>
#include <vector>

namespace ombrix::standin {

struct Notification {
    uint id = 0;
    QString appName;
    QString appIcon;
    QString summary;
    QString body;
    std::vector<std::pair<QString, QString>> actions; // key, label
};

class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationServer(QDBusConnection bus, QObject* parent = nullptr);

    // Owns the service's name; false when the bus refused it.
    bool start();
    // Open means sent and neither closed nor withdrawn since.
    bool hasOpen() const { return open_; }
    const Notification& last() const { return last_; }

    void invokeAction(const QString& key);

public slots:
    QStringList GetCapabilities();
    QString GetServerInformation(QString& vendor, QString& version, QString& protocolVersion);
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);

signals:
    // On the bus.
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& actionKey);
    // Only for the desktop's own windows: last() changed or was closed.
    void notified();
    void closed();

private:
    QDBusConnection bus_;
    Notification last_;
    bool open_ = false;
    uint nextId_ = 1;
};

} // namespace ombrix::standin
