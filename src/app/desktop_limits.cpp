#include "app/desktop_limits.h"

#include "core/language.h"
#include "platform/desktop_session.h"

namespace ombrix {

std::string ledsUnreachableText() {
    return Text("Tastatur-LEDs lassen sich unter Wayland nicht steuern.",
                "Keyboard LEDs cannot be driven on Wayland.");
}

std::string desktopLimitsNotice() {
    if (!onWayland())
        return {};
    return Text("Unter Wayland: keine Tastatur-LEDs; statt des Popups meldet die "
                "Desktop-Benachrichtigung neue Mails.",
                "On Wayland: no keyboard LEDs; the desktop notification announces new mail "
                "instead of the popup.");
}

} // namespace ombrix
