#pragma once
// What the main window knows of the unread mail as its last list refresh
// counted it. The window owns it; the lists set it and the panel and the LED
// handling read it through the NotificationHost.

#include <cstdint>

namespace ombrix {

struct UnreadCount {
    // Unread mails of all accounts that are not deactivated.
    std::uint32_t total = 0;
    // Those of them in accounts that are not silent: the LEDs and the
    // repeated alarm run only while there are any.
    std::uint32_t alarming = 0;
};

} // namespace ombrix
