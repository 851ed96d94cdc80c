#include "platform/tray_shell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QSystemTrayIcon>

namespace ombrix {
namespace {

// The question Qt asks when it chooses its StatusNotifierItem tray over the
// XEmbed one: a watcher is on the session bus and has a host registered.
bool statusNotifierHostRuns() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface()->isServiceRegistered(watcherName))
        return false;
    QDBusInterface watcher(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

TrayActivation activationOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TrayActivation::Trigger;
    case QSystemTrayIcon::DoubleClick:
        return TrayActivation::DoubleClick;
    case QSystemTrayIcon::Context:
        return TrayActivation::Context;
    default:
        return TrayActivation::Other;
    }
}

class QtTrayShell final : public TrayShell {
public:
    QtTrayShell() {
        QObject::connect(&icon_, &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (activated)
                                 activated(activationOf(reason));
                         });
    }

    bool available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    bool add(const QIcon& icon, const QString& tooltip) override {
        if (!available())
            return false;
        icon_.setIcon(icon);
        icon_.setToolTip(tooltip);
        // A host that came back (or a new one) embeds a fresh icon window only
        // after the old one was withdrawn.
        icon_.hide();
        icon_.show();
        return icon_.isVisible();
    }

    bool modify(const QIcon& icon, const QString& tooltip) override {
        icon_.setIcon(icon);
        icon_.setToolTip(tooltip);
        return icon_.isVisible();
    }

    bool remove() override {
        icon_.hide();
        return true;
    }

    QRect geometry() const override { return icon_.geometry(); }
    bool clicksAreSingle() const override { return statusNotifier_; }

    // An XEmbed tray icon would pop the menu up itself besides ours.
    void setMenu(QMenu* menu) override {
        if (statusNotifier_)
            icon_.setContextMenu(menu);
    }

private:
    // Qt makes the same choice once, when the first icon is made.
    const bool statusNotifier_ = statusNotifierHostRuns();
    QSystemTrayIcon icon_;
};

} // namespace

std::unique_ptr<TrayShell> makeQtTrayShell() {
    return std::make_unique<QtTrayShell>();
}

} // namespace ombrix
