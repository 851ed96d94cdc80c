#include "platform/tray_shell.h"

#include <QSystemTrayIcon>

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

private:
    QSystemTrayIcon icon_;
};

} // namespace

std::unique_ptr<TrayShell> makeQtTrayShell() {
    return std::make_unique<QtTrayShell>();
}

} // namespace ombrix
