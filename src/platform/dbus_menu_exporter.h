#pragma once
// A QMenu on the session bus as com.canonical.dbusmenu, for tray hosts that
// draw the icon's menu themselves. The menu is flat: its actions become the
// root's children (label, enabled, visible, separators); submenus are not
// walked. A click a host reports triggers the action on the thread the
// exporter lives on, after the call has been answered.

#include "platform/dbus_tray_types.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QMenu;

namespace ombrix {

class DBusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    // Exports the (still empty) menu at `path` on `bus`.
    DBusMenuExporter(QDBusConnection bus, const QString& path, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    bool exported() const { return exported_; }
    // The caller keeps the menu alive; nullptr exports an empty menu.
    void setMenu(QMenu* menu);
    uint revision() const { return revision_; }

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                ombrix::DBusMenuLayout& layout);
    // Types spelled out: Qt D-Bus finds a slot's types by the names moc saw.
    Q_SCRIPTABLE QList<ombrix::DBusMenuItemProperties>
    GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data,
                            uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<ombrix::DBusMenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QAction*> actions() const;
    QAction* actionOf(int id) const;
    bool known(int id) const { return id == 0 || actionOf(id); }
    int idOf(QAction* action);
    QVariantMap propertiesOf(int id, const QStringList& names);
    DBusMenuLayout layoutOf(int id, int depth, const QStringList& names);
    bool handleEvent(int id, const QString& eventId);
    void refuseUnknown(int id);
    void menuChanged();

    QDBusConnection bus_;
    QString path_;
    bool exported_ = false;
    QPointer<QMenu> menu_;
    QHash<const QAction*, int> ids_;
    int nextId_ = 1;
    uint revision_ = 1;
    bool updatePending_ = false;
};

// A QAction's text as a dbusmenu label: the mnemonic's '&' becomes '_', a
// doubled '&' a plain one, and a plain '_' is doubled.
QString dbusMenuLabel(const QString& actionText);

} // namespace ombrix
