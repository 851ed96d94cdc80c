#include "platform/status_notifier_item.h"
#include "platform/tray_shell.h"

#include <QSystemTrayIcon>
#include <memory>
#include <utility>

namespace ombrix {
namespace {

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

// Our own StatusNotifierItem while a watcher runs, else QSystemTrayIcon on an
// XEmbed tray.
//
// Qt chooses between its own D-Bus tray and XEmbed once per process, at the
// first QSystemTrayIcon it makes or the first isSystemTrayAvailable() it is
// asked, and keeps that choice: a tray that starts after the program would
// never get Qt's item, and Wayland has no XEmbed. So QSystemTrayIcon is made,
// and asked, only while no watcher runs: Qt then always settles on XEmbed and
// never puts a second item beside ours.
class QtTrayShell final : public TrayShell {
public:
    explicit QtTrayShell(const TrayItemIdentity& identity) : item_(identity.id, identity.category) {
        QObject::connect(&item_, &StatusNotifierItem::activated,
                         [this](const QString& token) { report(TrayActivation::Trigger, token); });
        QObject::connect(&item_, &StatusNotifierItem::secondaryActivated,
                         [this] { report(TrayActivation::Other); });
        QObject::connect(&item_, &StatusNotifierItem::contextMenuRequested,
                         [this] { report(TrayActivation::Context); });
        QObject::connect(&item_, &StatusNotifierItem::watcherChanged, [this] {
            present();
            if (availabilityChanged)
                availabilityChanged();
        });
    }

    bool available() const override { return item_.watcherPresent() || xembedAvailable(); }

    bool add(const QIcon& icon, const QString& tooltip) override {
        wanted_ = true;
        update(icon, tooltip);
        // A host that came back (or a new one) embeds a fresh icon window only
        // after the old one was withdrawn.
        if (xembed_ && !item_.watcherPresent())
            xembed_->hide();
        return present();
    }

    bool modify(const QIcon& icon, const QString& tooltip) override {
        update(icon, tooltip);
        return item_.isShown() || (xembed_ && xembed_->isVisible());
    }

    bool remove() override {
        wanted_ = false;
        item_.hide();
        if (xembed_)
            xembed_->hide();
        return true;
    }

    QRect geometry() const override {
        return xembed_ && xembed_->isVisible() ? xembed_->geometry() : QRect();
    }
    bool clicksAreSingle() const override { return item_.watcherPresent(); }

    // An XEmbed tray icon would pop the menu up itself besides ours, so only
    // the item hands it to its host.
    void setMenu(QMenu* menu) override { item_.setMenu(menu); }

    QString takeActivationToken() override { return std::exchange(activationToken_, {}); }

private:
    bool xembedAvailable() const {
        if (item_.watcherPresent())
            return false;
        if (!qtHasChosen_) {
            // The watcher's arrival may still be on its way to us.
            if (item_.watcherOnBus())
                return false;
            qtHasChosen_ = true;
        }
        return QSystemTrayIcon::isSystemTrayAvailable();
    }

    QSystemTrayIcon& xembedIcon() {
        if (!xembed_) {
            xembed_ = std::make_unique<QSystemTrayIcon>();
            QObject::connect(
                xembed_.get(), &QSystemTrayIcon::activated,
                [this](QSystemTrayIcon::ActivationReason reason) { report(activationOf(reason)); });
        }
        return *xembed_;
    }

    void update(const QIcon& icon, const QString& tooltip) {
        icon_ = icon;
        tooltip_ = tooltip;
        item_.setIcon(icon);
        item_.setToolTip(tooltip);
        if (xembed_) {
            xembed_->setIcon(icon);
            xembed_->setToolTip(tooltip);
        }
    }

    // Puts the icon on the host that serves now; false when none does.
    bool present() {
        if (!wanted_)
            return false;
        if (item_.watcherPresent()) {
            if (xembed_)
                xembed_->hide();
            item_.show();
            return item_.isShown();
        }
        item_.hide();
        if (!xembedAvailable())
            return false;
        QSystemTrayIcon& icon = xembedIcon();
        icon.setIcon(icon_);
        icon.setToolTip(tooltip_);
        icon.show();
        return icon.isVisible();
    }

    void report(TrayActivation activation, const QString& token = {}) {
        activationToken_ = token;
        if (activated)
            activated(activation);
        activationToken_.clear(); // a token is good for one activation only
    }

    StatusNotifierItem item_;
    std::unique_ptr<QSystemTrayIcon> xembed_;
    mutable bool qtHasChosen_ = false;
    bool wanted_ = false;
    QIcon icon_;
    QString tooltip_;
    QString activationToken_;
};

} // namespace

std::unique_ptr<TrayShell> makeQtTrayShell(const TrayItemIdentity& identity) {
    return std::make_unique<QtTrayShell>(identity);
}

} // namespace ombrix
