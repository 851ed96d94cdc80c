#include "app/status_notifier_host.h"

#include "support/gui_wait.h"

#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <cstdlib>
#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");

HostMenuItem readMenuItem(const QDBusArgument& argument, QList<HostMenuItem>* children) {
    HostMenuItem item;
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        if (children)
            children->append(readMenuItem(child.variant().value<QDBusArgument>(), nullptr));
    }
    argument.endArray();
    argument.endStructure();
    return item;
}

} // namespace

QList<HostPixmap> readPixmaps(const QDBusArgument& argument) {
    QList<HostPixmap> pixmaps;
    argument.beginArray();
    while (!argument.atEnd()) {
        HostPixmap pixmap;
        argument.beginStructure();
        argument >> pixmap.width >> pixmap.height >> pixmap.argb;
        argument.endStructure();
        pixmaps << pixmap;
    }
    argument.endArray();
    return pixmaps;
}

HostToolTip readToolTip(const QDBusArgument& argument) {
    HostToolTip tip;
    QString iconName;
    argument.beginStructure();
    argument >> iconName;
    readPixmaps(argument);
    argument >> tip.title >> tip.text;
    argument.endStructure();
    return tip;
}

QDBusMessage StatusNotifierHost::call(const QString& interface, const QString& member,
                                      const QList<QVariant>& arguments, const QString& path) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcher_.itemService(), path.isEmpty() ? watcher_.itemPath() : path, interface, member);
    call.setArguments(arguments);
    QDBusPendingCall pending = bus_.asyncCall(call, boundMs_);
    EXPECT_TRUE(processEventsUntil([&] { return pending.isFinished(); }, boundMs_));
    return pending.reply();
}

QDBusMessage StatusNotifierHost::callItem(const QString& member, const QList<QVariant>& arguments) {
    return call(kItemInterface, member, arguments);
}

QVariantMap StatusNotifierHost::properties() {
    const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("GetAll"), {kItemInterface});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    return qdbus_cast<QVariantMap>(reply.arguments().value(0));
}

HostToolTip StatusNotifierHost::toolTip() {
    return readToolTip(properties().value("ToolTip").value<QDBusArgument>());
}

QList<HostPixmap> StatusNotifierHost::pixmaps() {
    return readPixmaps(properties().value("IconPixmap").value<QDBusArgument>());
}

QString StatusNotifierHost::introspection() {
    const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                    QStringLiteral("Introspect"), {});
    return reply.arguments().value(0).toString();
}

QString StatusNotifierHost::menuPath() {
    return properties().value("Menu").value<QDBusObjectPath>().path();
}

HostMenu StatusNotifierHost::menu() {
    HostMenu menu;
    const QDBusMessage reply =
        call(kMenuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList()}, menuPath());
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return menu;
    menu.revision = reply.arguments().value(0).toUInt();
    const HostMenuItem root =
        readMenuItem(reply.arguments().value(1).value<QDBusArgument>(), &menu.items);
    menu.valid = root.id == 0;
    return menu;
}

QDBusMessage StatusNotifierHost::menuEvent(int id, const QString& eventId) {
    return call(kMenuInterface, QStringLiteral("Event"),
                {id, eventId, QVariant::fromValue(QDBusVariant(QString())), 0u}, menuPath());
}

void WatcherBusEnvironment::SetUp() {
    bus = std::make_unique<PrivateSessionBus>();
    ASSERT_TRUE(bus->running()) << "dbus-daemon did not start";
    setenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toLocal8Bit().constData(), 1);
    unsetenv("XDG_CURRENT_DESKTOP"); // no desktop-specific icon hand-over
    watcherBus = std::make_unique<QDBusConnection>(bus->connect(QStringLiteral("watcher")));
    watcher = std::make_unique<FakeStatusNotifierWatcher>(*watcherBus, runsAtStart_);
    if (runsAtStart_) {
        ASSERT_TRUE(watcher->registered());
    }
}

void WatcherBusEnvironment::TearDown() {
    watcher.reset();
    watcherBus.reset();
    bus.reset();
}

} // namespace ombrix::test
