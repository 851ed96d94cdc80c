#pragma once
// What the main window knows beside its widgets: the unread mail as its last
// list refresh counted it, the order the user chose for the mail lists and
// where its marks go to the servers.
// The window owns it; the lists and the panel reach it through the
// NotificationHost, and a check run gets the order as a value when it starts.

#include "check/mail_sort.h"

#include <cstdint>

namespace ombrix {

class MarkPostbox;

struct WindowState {
    // Unread mails of all accounts that are not deactivated.
    std::uint32_t unreadTotal = 0;
    // Those of them in accounts that are not silent: the LEDs and the
    // repeated alarm run only while there are any.
    std::uint32_t alarmingUnread = 0;
    // As the mail list's header was last clicked (a SortOrderCode).
    std::uint8_t sortOrder = kSortDateNewestFirst;
    // The desktop program's postbox for marks to the servers, set before the
    // window shows; without one (widget tests) marks stay local.
    MarkPostbox* markPostbox = nullptr;
};

} // namespace ombrix
