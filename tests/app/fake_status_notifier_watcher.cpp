#include "app/fake_status_notifier_watcher.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace ombrix::test {
namespace {

const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher(QDBusConnection bus, bool startNow)
    : bus_(std::move(bus)) {
    thread_.start();
    moveToThread(&thread_);
    exported_ = bus_.registerVirtualObject(kPath, this);
    if (startNow)
        start();
}

bool FakeStatusNotifierWatcher::start() {
    {
        const QMutexLocker lock(&mutex_);
        itemService_.clear();
        itemPath_.clear();
        startedAt_ = Clock::now();
    }
    registered_ = exported_ && bus_.registerService(kService);
    return registered_;
}

void FakeStatusNotifierWatcher::stop() {
    bus_.unregisterService(kService);
    registered_ = false;
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher() {
    stop();
    bus_.unregisterObject(kPath);
    thread_.quit();
    thread_.wait();
}

QString FakeStatusNotifierWatcher::itemService() const {
    const QMutexLocker lock(&mutex_);
    return itemService_;
}

QString FakeStatusNotifierWatcher::itemPath() const {
    const QMutexLocker lock(&mutex_);
    return itemPath_;
}

int FakeStatusNotifierWatcher::registrations() const {
    const QMutexLocker lock(&mutex_);
    return registrations_;
}

FakeStatusNotifierWatcher::Clock::time_point FakeStatusNotifierWatcher::startedAt() const {
    const QMutexLocker lock(&mutex_);
    return startedAt_;
}

FakeStatusNotifierWatcher::Clock::time_point FakeStatusNotifierWatcher::registeredAt() const {
    const QMutexLocker lock(&mutex_);
    return registeredAt_;
}

QString FakeStatusNotifierWatcher::introspect(const QString& /*path*/) const {
    return QStringLiteral(R"(<interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface>
)");
}

QVariant FakeStatusNotifierWatcher::property(const QString& name) const {
    if (name == QLatin1String("IsStatusNotifierHostRegistered"))
        return true;
    if (name == QLatin1String("ProtocolVersion"))
        return 0;
    if (name == QLatin1String("RegisteredStatusNotifierItems"))
        return itemService().isEmpty() ? QStringList() : QStringList{itemService() + itemPath()};
    return {};
}

QDBusMessage FakeStatusNotifierWatcher::answer(const QDBusMessage& message) {
    const QString member = message.member();
    const QList<QVariant> arguments = message.arguments();
    if (message.interface() == kProperties && member == QLatin1String("Get")) {
        const QVariant value = property(arguments.value(1).toString());
        if (!value.isValid())
            return message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such"));
        return message.createReply(QVariant::fromValue(QDBusVariant(value)));
    }
    if (message.interface() == kProperties && member == QLatin1String("GetAll")) {
        QVariantMap all;
        for (const char* name :
             {"IsStatusNotifierHostRegistered", "ProtocolVersion", "RegisteredStatusNotifierItems"})
            all.insert(QLatin1String(name), property(QLatin1String(name)));
        return message.createReply(all);
    }
    if (message.interface() != kService)
        return {};
    if (member == QLatin1String("RegisterStatusNotifierItem")) {
        // An item names its bus name, or only its path on the caller's name.
        const QString named = arguments.value(0).toString();
        const bool pathOnly = named.startsWith(QLatin1Char('/'));
        const QMutexLocker lock(&mutex_);
        itemService_ = pathOnly ? message.service() : named;
        itemPath_ = pathOnly ? named : QStringLiteral("/StatusNotifierItem");
        ++registrations_;
        registeredAt_ = Clock::now();
        return message.createReply();
    }
    if (member == QLatin1String("RegisterStatusNotifierHost"))
        return message.createReply();
    return {};
}

bool FakeStatusNotifierWatcher::handleMessage(const QDBusMessage& message,
                                              const QDBusConnection& connection) {
    const QDBusMessage reply = answer(message);
    if (reply.type() == QDBusMessage::InvalidMessage)
        return false;
    connection.send(reply);
    if (message.member() == QLatin1String("RegisterStatusNotifierItem")) {
        QDBusMessage signal = QDBusMessage::createSignal(
            kPath, kService, QStringLiteral("StatusNotifierItemRegistered"));
        signal << itemService() + itemPath();
        bus_.send(signal);
        emit itemRegistered();
    }
    return true;
}

} // namespace ombrix::test
