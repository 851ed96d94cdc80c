#pragma once
// What a StatusNotifierItem host sees of the program's item, as the tests
// play the host next to the fake watcher: it calls the item without blocking
// the thread that serves it and reads the properties, pictures, tooltip and
// exported menu off the wire with readers of its own.

#include "app/fake_status_notifier_watcher.h"
#include "support/private_session_bus.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QString>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>

namespace ombrix::test {

struct HostPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};

struct HostToolTip {
    QString title;
    QString text;
};

// One entry of the menu's layout, as GetLayout lists it.
struct HostMenuItem {
    int id = 0;
    QVariantMap properties;
    QString label() const { return properties.value(QStringLiteral("label")).toString(); }
    bool separator() const {
        return properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
    }
};

struct HostMenu {
    uint revision = 0;
    QList<HostMenuItem> items; // the root's children
    bool valid = false;
};

QList<HostPixmap> readPixmaps(const QDBusArgument& argument);
HostToolTip readToolTip(const QDBusArgument& argument);

class StatusNotifierHost {
public:
    StatusNotifierHost(QDBusConnection bus, const FakeStatusNotifierWatcher& watcher, int boundMs)
        : bus_(std::move(bus)), watcher_(watcher), boundMs_(boundMs) {}

    // A call to the item that registered last, at `path` (its own by default).
    QDBusMessage call(const QString& interface, const QString& member,
                      const QList<QVariant>& arguments, const QString& path = {});
    QDBusMessage callItem(const QString& member, const QList<QVariant>& arguments = {});
    QVariantMap properties();
    HostToolTip toolTip();
    QList<HostPixmap> pixmaps();
    QString introspection();

    QString menuPath();
    HostMenu menu(); // GetLayout(0, -1, all properties)
    QDBusMessage menuEvent(int id, const QString& eventId);

private:
    QDBusConnection bus_;
    const FakeStatusNotifierWatcher& watcher_;
    int boundMs_;
};

// One private session bus and one fake watcher for a whole test program: Qt
// connects to the session bus once. The watcher serves on a connection of its
// own, up from the start or only once a case starts it.
class WatcherBusEnvironment : public testing::Environment {
public:
    explicit WatcherBusEnvironment(bool watcherRunsAtStart) : runsAtStart_(watcherRunsAtStart) {}

    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<PrivateSessionBus> bus;
    std::unique_ptr<QDBusConnection> watcherBus;
    std::unique_ptr<FakeStatusNotifierWatcher> watcher;

private:
    bool runsAtStart_;
};

} // namespace ombrix::test
