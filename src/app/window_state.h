#pragma once
// Process-wide state of the main window that other parts of the window side
// read (the list views write unreadTotal, the LED handling reads it).

#include <cstdint>

namespace ombrix {

// Unread mails of all accounts that are not deactivated, as the last refresh
// of the lists counted them.
inline std::uint32_t unreadTotal = 0;
// Those of them in accounts that are not silent: the LEDs and the repeated
// alarm run only while there are any.
inline std::uint32_t alarmingUnread = 0;

// 0 until the main window's initialisation has ended; the resize layout runs
// only when it is 1.
inline std::uint8_t dialogReady = 0;

} // namespace ombrix
