#pragma once
// Our icon as an org.kde.StatusNotifierItem on the session bus, with its
// menu exported beside it. The item watches for org.kde.StatusNotifierWatcher
// and announces itself to every watcher that comes up while it is shown, so
// a tray that starts after the program, or restarts, gets the icon. Owns the
// bus name org.kde.StatusNotifierItem-<pid>-1 and the paths
// /StatusNotifierItem and /MenuBar: one item per process.

#include "platform/dbus_tray_types.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QIcon>
#include <QObject>
#include <QString>

class QDBusServiceWatcher;
class QMenu;

namespace ombrix {

class DBusMenuExporter;

class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ id)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ noName)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(QList<ombrix::SniPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(QList<ombrix::SniPixmap> OverlayIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(QList<ombrix::SniPixmap> AttentionIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(ombrix::SniToolTip ToolTip READ toolTip)

public:
    // `id` names the item to hosts (and is its title); `category` is one of
    // ApplicationStatus, Communications, SystemServices, Hardware.
    StatusNotifierItem(const QString& id, const QString& category,
                       QDBusConnection bus = QDBusConnection::sessionBus(),
                       QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // A watcher runs, as far as the bus has told us.
    bool watcherPresent() const { return watcherPresent_; }
    // Asks the bus itself, for the moment before its news has arrived.
    bool watcherOnBus() const;

    // Takes the bus name and registers with the watcher, now and whenever
    // one comes up; hiding gives the name back, which hosts see.
    void show();
    void hide();
    bool isShown() const { return shown_; }
    const QString& serviceName() const { return serviceName_; }

    void setIcon(const QIcon& icon);
    // The first line is the tooltip's title, the other lines its text.
    void setToolTip(const QString& toolTip);
    // The caller keeps the menu alive.
    void setMenu(QMenu* menu);

    QString category() const { return category_; }
    QString id() const { return id_; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QDBusObjectPath menu() const;
    bool itemIsMenu() const { return false; }
    QString noName() const { return {}; }
    QList<SniPixmap> iconPixmap() const { return pixmaps_; }
    QList<SniPixmap> noPixmap() const { return {}; }
    SniToolTip toolTip() const;

public slots:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);
    // KDE's hosts hand the xdg-activation token of the click before Activate.
    Q_SCRIPTABLE void ProvideXdgActivationToken(const QString& token);

signals:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);

    // For the program: a host clicked the icon (with the activation token it
    // provided, or empty), middle-clicked it, or asks for its menu.
    void activated(const QString& activationToken);
    void secondaryActivated();
    void contextMenuRequested();
    // A watcher came up or went away.
    void watcherChanged(bool present);
    // A watcher answered our registration.
    void registered();

private:
    void onWatcherOwnerChanged(const QString& newOwner);
    void registerWithWatcher();

    QDBusConnection bus_;
    QString id_;
    QString category_;
    QString serviceName_;
    bool exported_ = false;
    bool shown_ = false;
    bool watcherPresent_ = false;
    QDBusServiceWatcher* watcher_;
    DBusMenuExporter* menu_;
    QList<SniPixmap> pixmaps_;
    QString title_;
    QString text_;
    QString activationToken_;
};

// The pictures a host chooses from: the icon at 16, 22, 32 and 48 pixels.
QList<SniPixmap> sniPixmapsOf(const QIcon& icon);

} // namespace ombrix
