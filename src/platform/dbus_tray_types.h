#pragma once
// The structures a StatusNotifierItem host and a com.canonical.dbusmenu
// client read off the bus, with their D-Bus marshalling. Qt needs them
// registered before an object that uses them is exported or introspected.

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace ombrix {

// (iiay): one picture, ARGB32 in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
    bool operator==(const SniPixmap&) const = default;
};
using SniPixmaps = QList<SniPixmap>;

// (sa(iiay)ss): the tooltip's icon, its title and the text under it.
struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
    bool operator==(const SniToolTip&) const = default;
};

// (ia{sv}av): a menu item, its properties and its children (each a variant
// holding the same structure).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// (ia{sv}): the properties of one item.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

// Idempotent; call before exporting an object that uses the types.
void registerDBusTrayTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

} // namespace ombrix

Q_DECLARE_METATYPE(ombrix::SniPixmap)
Q_DECLARE_METATYPE(ombrix::SniToolTip)
Q_DECLARE_METATYPE(ombrix::DBusMenuLayout)
Q_DECLARE_METATYPE(ombrix::DBusMenuItemProperties)
Q_DECLARE_METATYPE(ombrix::DBusMenuEvent)
