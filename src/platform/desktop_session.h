#pragma once
// What the desktop session lets a client do: X11 lets it place its windows and
// drive the keyboard's lock LEDs; Wayland does neither, and raises a window
// only for a valid xdg-activation token. Asked on the window thread, after the
// QApplication exists.

#include <QString>

class QWidget;

namespace ombrix {

// The platform plugin speaks Wayland.
bool onWayland();

// A window may be put at given screen coordinates (the pop-up that slides out
// of the screen edge needs that).
bool windowsCanBePlaced();

// The X11 lock-key calls reach the real keyboard. Under Wayland they reach
// only XWayland's virtual one, and without any display nothing.
bool lockLedsReachable();

// Shows the window, raises it and gives it the focus. `activationToken` is
// the xdg-activation token of the user action that asked for it (a second
// start's launcher, the notification service, the tray host); without one
// the compositor may only mark the window as wanting attention.
void activateWindow(QWidget* window, const QString& activationToken = {});

// The token the launcher handed this process: a second start passes it on to
// the instance that runs already. It stays in the environment, where Qt finds
// it for the first window when this start turns out to be the first.
QString startupActivationToken();

} // namespace ombrix
