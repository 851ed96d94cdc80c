#pragma once
// What this desktop session cannot do of what the user asked for, said in one
// line of the window's notice row instead of failing silently: Wayland has no
// keyboard LEDs for us and no pop-up at the screen edge, where the desktop
// notification announces instead.

#include <string>

namespace ombrix {

// Empty when the session can do everything (X11).
std::string desktopLimitsNotice();

// The LED boxes' tooltip while they are disabled.
std::string ledsUnreachableText();

} // namespace ombrix
