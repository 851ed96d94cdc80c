#pragma once
// Day, month and year as the mail list shows and sorts them, read out of the
// raw text of a Date header by looking for an English month name.

#include <cstdint>
#include <string_view>

namespace ombrix {

struct MailDate {
    std::uint8_t day = 1;
    std::uint8_t month = 1;
    std::int32_t year = 1999;

    bool operator==(const MailDate&) const = default;
};

// Finds the last month name of the table that occurs in the text, then reads
// the day from the two characters before it and the year from the four
// after it. Whatever cannot be read keeps day 1, month 1, year 1999.
// Runs on the check thread.
MailDate readMailDate(std::string_view dateValue);

} // namespace ombrix
