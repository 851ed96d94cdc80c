#include "platform/desktop_session.h"

#include <QGuiApplication>
#include <QWidget>

namespace ombrix {
namespace {

// Qt's Wayland shell reads this variable when a window asks to be activated
// and clears it once used.
constexpr const char* kActivationVariable = "XDG_ACTIVATION_TOKEN";

} // namespace

bool onWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool windowsCanBePlaced() {
    return !onWayland();
}

// Without any display the X11 keyboard is a no-op by itself.
bool lockLedsReachable() {
    return !onWayland();
}

void activateWindow(QWidget* window, const QString& activationToken) {
    if (!window)
        return;
    if (!activationToken.isEmpty() && onWayland())
        qputenv(kActivationVariable, activationToken.toUtf8());
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

QString startupActivationToken() {
    return qEnvironmentVariable(kActivationVariable);
}

} // namespace ombrix
