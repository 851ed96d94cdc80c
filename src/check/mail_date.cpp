#include "check/mail_date.h"

#include "platform/ascii.h"

#include <array>
#include <cstddef>
#include <string>

namespace ombrix {
namespace {

struct MonthForm {
    std::string_view text;
    std::size_t move; // from the first letter to the three letters ending the name
};

struct MonthRow {
    std::uint8_t month;
    MonthForm shortForm;
    MonthForm longForm; // empty text: the month has no long form of its own
};

// Searched in this order; a later match overrides an earlier one.
constexpr std::array<MonthRow, 12> kMonthTable{{
    {1, {"jan", 0}, {"january", 4}},
    {2, {"feb", 0}, {"february", 5}},
    {3, {"mar", 0}, {"march", 2}},
    {4, {"apr", 0}, {"april", 2}},
    {5, {"may", 0}, {"", 0}},
    {6, {"jun", 0}, {"june", 1}},
    {7, {"jul", 0}, {"july", 1}},
    {8, {"aug", 0}, {"august", 3}},
    {9, {"sep", 0}, {"september", 6}},
    {10, {"oct", 0}, {"october", 4}},
    {11, {"nov", 0}, {"november", 5}},
    {12, {"dec", 0}, {"december", 5}},
}};

struct MonthMatch {
    std::uint8_t month = 0; // 0: no month name in the text
    std::size_t position = 0;
    std::size_t dayOffset = 0;
};

// The position points at the three letters that end the month name; the day
// offset is the length of the form found, so position - offset is where the
// day's two characters start.
MonthMatch findMonth(const std::string& lower) {
    MonthMatch match;
    for (const MonthRow& row : kMonthTable) {
        for (const MonthForm& form : {row.shortForm, row.longForm}) {
            if (form.text.empty())
                continue;
            const std::size_t found = lower.find(form.text);
            if (found == std::string::npos)
                continue;
            match = {row.month, found + form.move, form.text.size()};
        }
    }
    return match;
}

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int digitValue(char c) {
    return c - '0';
}

// Leading blanks, an optional sign, then digits up to the first other
// character: a plain decimal conversion of at most four characters.
std::int32_t readYearDigits(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::int32_t value = 0;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i)
        value = value * 10 + digitValue(text[i]);
    return negative ? -value : value;
}

// The year stands after the three letters and one blank; it is read only
// when the text runs at least two characters past its fourth digit.
std::int32_t readYear(const std::string& lower, std::size_t position) {
    if (position + 9 >= lower.size())
        return 1999;
    return readYearDigits(std::string_view(lower).substr(position + 4, 4));
}

// "18", " 2", "05", "x7" (a letter then a digit) and "7 " all give a day;
// two characters of which neither is a digit give none, and day 1 stands.
std::uint8_t dayFromCharacters(char first, char second) {
    if (!isAsciiDigit(second))
        return isAsciiDigit(first) ? static_cast<std::uint8_t>(digitValue(first)) : 1;
    if (first < '0')
        return static_cast<std::uint8_t>(digitValue(second));
    if (isAsciiDigit(first))
        return static_cast<std::uint8_t>(digitValue(first) * 10 + digitValue(second));
    return static_cast<std::uint8_t>(digitValue(second));
}

// The day's two characters end at the blank before the month name. In a date
// without weekday such as "9 Nov 2004" the first of them lies before the text
// and counts as a blank; with no room at all the day stays 1.
std::uint8_t readDay(const std::string& lower, const MonthMatch& match) {
    if (match.position + 1 < match.dayOffset)
        return 1;
    if (match.position + 1 == match.dayOffset)
        return dayFromCharacters(' ', lower[0]);
    const std::size_t start = match.position - match.dayOffset;
    return dayFromCharacters(lower[start], lower[start + 1]);
}

} // namespace

MailDate readMailDate(std::string_view dateValue) {
    const std::string lower = asciiLowercase(dateValue);
    const MonthMatch match = findMonth(lower);
    if (match.month == 0)
        return MailDate{};
    return MailDate{readDay(lower, match), match.month, readYear(lower, match.position)};
}

} // namespace ombrix
