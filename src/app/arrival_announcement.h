#pragma once
// What the desktop notification of new mail says: how many unread mails wait,
// and the sender and subject of the newest of them. Bytes as stored; the
// window turns each field into display text on its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ombrix {

// A notification shows this many mails; the rest are counted in one line.
inline constexpr std::size_t kArrivalLines = 4;

struct ArrivalLine {
    std::string sender;
    std::string subject;

    bool operator==(const ArrivalLine&) const = default;
};

struct ArrivalAnnouncement {
    std::string summary;            // "3 new mails"
    std::vector<ArrivalLine> lines; // newest first
    std::string more;               // "and 2 more"; empty when every mail has its line

    bool operator==(const ArrivalAnnouncement&) const = default;
};

// Whether the unread mails of the account in that slot are announced.
using AccountFilter = std::function<bool(int account)>;

// The unread mails of the accounts whose row shows unread mail (checked,
// active, not failed) and that the filter lets through (all without one).
// The newest come first: the order of the mail list sorted by date, newest
// on top (day of the Date header, then the server's message number, which
// grows with each delivery); on the same day the earlier account leads.
// Reads the account table under its lock.
ArrivalAnnouncement describeArrivals(const AccountFilter& announced = {},
                                     std::size_t maxLines = kArrivalLines);

std::string arrivalSummary(std::uint32_t unread);
std::string arrivalMore(std::uint32_t more);

} // namespace ombrix
