#include "tools/notification_server.h"

namespace ombrix::standin {
namespace {

// The reasons of NotificationClosed.
constexpr uint kClosedByCall = 3;

} // namespace

NotificationServer::NotificationServer(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

bool NotificationServer::start() {
    return bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                               QDBusConnection::ExportAllSlots |
                                   QDBusConnection::ExportScriptableSignals) &&
           bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

QStringList NotificationServer::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup"),
            QStringLiteral("body-hyperlinks"), QStringLiteral("body-images")};
}

QString NotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                 QString& protocolVersion) {
    vendor = QStringLiteral("Ombrix");
    version = QStringLiteral("1");
    protocolVersion = QStringLiteral("1.2");
    return QStringLiteral("ombrix-desktop-stand-in");
}

uint NotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                const QString& summary, const QString& body,
                                const QStringList& actions, const QVariantMap& /*hints*/,
                                int /*timeout*/) {
    last_ =
        Notification{replacesId != 0 ? replacesId : nextId_++, appName, appIcon, summary, body, {}};
    for (qsizetype i = 0; i + 1 < actions.size(); i += 2)
        last_.actions.emplace_back(actions[i], actions[i + 1]);
    open_ = true;
    emit notified();
    return last_.id;
}

void NotificationServer::CloseNotification(uint id) {
    if (!open_ || id != last_.id)
        return;
    open_ = false;
    emit NotificationClosed(id, kClosedByCall);
    emit closed();
}

void NotificationServer::invokeAction(const QString& key) {
    if (open_)
        emit ActionInvoked(last_.id, key);
}

} // namespace ombrix::standin
