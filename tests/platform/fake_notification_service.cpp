#include "platform/fake_notification_service.h"

namespace ombrix::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

FakeNotificationService::FakeNotificationService(QDBusConnection bus, QStringList capabilities)
    : bus_(std::move(bus)), capabilities_(std::move(capabilities)) {
    registered_ = bus_.registerVirtualObject(kPath, this) && bus_.registerService(kService);
}

FakeNotificationService::~FakeNotificationService() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath);
}

QString FakeNotificationService::introspect(const QString& /*path*/) const {
    return {};
}

bool FakeNotificationService::handleMessage(const QDBusMessage& message,
                                            const QDBusConnection& connection) {
    if (message.interface() != kService)
        return false;
    calls.push_back({message.member(), message.signature(), message.arguments()});
    QDBusMessage reply;
    if (message.member() == QLatin1String("GetCapabilities")) {
        reply = message.createReply(QVariant(capabilities_));
    } else if (message.member() == QLatin1String("Notify")) {
        const uint replaces = message.arguments().value(1).toUInt();
        reply = message.createReply(QVariant(replaces != 0 ? replaces : ++nextId_));
    } else if (message.member() == QLatin1String("CloseNotification")) {
        reply = message.createReply();
    } else {
        return false;
    }
    connection.send(reply);
    emit called(message.member());
    return true;
}

void FakeNotificationService::emitActionInvoked(uint id, const QString& action) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"));
    signal << id << action;
    bus_.send(signal);
}

void FakeNotificationService::emitActivationToken(uint id, const QString& token) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActivationToken"));
    signal << id << token;
    bus_.send(signal);
}

void FakeNotificationService::emitNotificationClosed(uint id, uint reason) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("NotificationClosed"));
    signal << id << reason;
    bus_.send(signal);
}

} // namespace ombrix::test
