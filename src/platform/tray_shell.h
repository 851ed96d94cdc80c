#pragma once
// The desktop's notification area as the tray object needs it: is there one,
// add / modify / delete our icon, where is it, and what the mouse did to it.
// The real one serves a StatusNotifierItem host over D-Bus and an XEmbed tray
// through QSystemTrayIcon; tests use a recording shell.

#include <QIcon>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

class QMenu;

namespace ombrix {

enum class TrayActivation { Trigger, DoubleClick, Context, Other };

class TrayShell {
public:
    virtual ~TrayShell() = default;

    // A tray host (an XEmbed or StatusNotifier host) is running now.
    virtual bool available() const = 0;
    virtual bool add(const QIcon& icon, const QString& tooltip) = 0;
    virtual bool modify(const QIcon& icon, const QString& tooltip) = 0;
    virtual bool remove() = 0;
    // The icon's place on the screen, or an empty rectangle when unknown.
    virtual QRect geometry() const = 0;
    // A StatusNotifierItem host serves the icon: it reports a click as one
    // Trigger, never a double click, and opens the icon's menu itself.
    virtual bool clicksAreSingle() const = 0;
    // The menu such a host opens; the caller keeps it alive.
    virtual void setMenu(QMenu* menu) = 0;
    // The xdg-activation token the host handed with the activation being
    // reported, once; empty without one and outside `activated`.
    virtual QString takeActivationToken() { return {}; }

    // Set by the tray object; the shell calls them on the window thread.
    std::function<void(TrayActivation)> activated;
    // A tray host came or went: available() may have changed.
    std::function<void()> availabilityChanged;
};

// How a StatusNotifierItem host names the icon and files it.
struct TrayItemIdentity {
    QString id;       // also its title
    QString category; // ApplicationStatus, Communications, SystemServices or Hardware
};

std::unique_ptr<TrayShell> makeQtTrayShell(const TrayItemIdentity& identity);

} // namespace ombrix
