#include "check/mail_date.h"

#include <gtest/gtest.h>
#include <string>

namespace ombrix {
namespace {

struct DateRow {
    const char* name;
    std::string dateValue;
    MailDate expected;
};

void PrintTo(const DateRow& row, std::ostream* out) {
    *out << row.name;
}

class MailDateTest : public testing::TestWithParam<DateRow> {};

TEST_P(MailDateTest, ReadsDayMonthAndYear) {
    const DateRow& row = GetParam();
    const MailDate date = readMailDate(row.dateValue);
    EXPECT_EQ(date.day, row.expected.day);
    EXPECT_EQ(date.month, row.expected.month);
    EXPECT_EQ(date.year, row.expected.year);
}

// Rows named after what they show; expected values are {day, month, year}.
INSTANTIATE_TEST_SUITE_P(
    Dates, MailDateTest,
    testing::Values(
        DateRow{"TwoDigitDay", "Tue, 18 Jan 2005 10:00:00 +0100", {18, 1, 2005}},
        DateRow{"OneDigitDayAfterBlank", "Wed, 2 Feb 2005 08:15:00 +0000", {2, 2, 2005}},
        DateRow{"LongFormWithLeadingZero", "Sun, 05 September 2004 10:00:00", {5, 9, 2004}},
        DateRow{"LongFormMarch", "Mon, 7 March 2005 09:00:00", {7, 3, 2005}},
        DateRow{"LongFormJune", "Fri, 24 June 2005 08:00:00", {24, 6, 2005}},
        DateRow{"MayHasOnlyTheShortForm", "Tue, 31 May 2005 23:59:59 -0700", {31, 5, 2005}},
        DateRow{"December", "Sat, 31 Dec 2005 23:59:59 GMT", {31, 12, 2005}},
        DateRow{"CapitalsAreLowerCased", "TUE, 18 JAN 2005 10:00:00", {18, 1, 2005}},
        DateRow{"WithoutWeekday", "9 Nov 2004 17:30:00 +0100", {9, 11, 2004}},
        DateRow{"TextEndsWithTheYear", "Tue, 18 Jan 2005", {18, 1, 1999}},
        DateRow{"OneCharacterAfterTheYear", "Tue, 18 Jan 2005 ", {18, 1, 1999}},
        DateRow{"TwoCharactersAfterTheYear", "Tue, 18 Jan 2005 1", {18, 1, 2005}},
        DateRow{"TextEndsAtTheMonthName", "Tue, 18 Jan", {18, 1, 1999}},
        DateRow{"TwoDigitYearReadsAsNumber", "Tue, 18 Jan 05 10:00:00", {18, 1, 5}},
        DateRow{"NoMonthName", "Tue, 18 2005 10:00:00 +0100", {1, 1, 1999}},
        DateRow{"EmptyDate", "", {1, 1, 1999}},
        DateRow{"MonthNameStartsTheText", "Jan 18 2005 10:00:00", {1, 1, 18}},
        DateRow{"LoneDigitStartsTheText", "5 Mar 2005 10:00:00", {5, 3, 2005}},
        DateRow{"LetterAndBlankStartTheText", "x Mar 2005 10:00:00", {1, 3, 2005}},
        DateRow{"OneCharacterBeforeTheMonth", "5Mar 2005 10:00:00", {1, 3, 2005}},
        DateRow{"DigitThenBlankBeforeTheMonth", "Tue,7  Jan 2005 10:00:00", {7, 1, 2005}},
        DateRow{"LetterThenDigitBeforeTheMonth", "Tue,x7 Jan 2005 10:00:00", {7, 1, 2005}},
        DateRow{"NoDigitBeforeTheMonth", "Tue, Jan 18 2005 10:00:00", {1, 1, 18}},
        DateRow{"LaterTableRowWins", "Sat, 1 Jan 2005 10:00:00 (12 Feb 2006 x)", {12, 2, 2006}}),
    [](const testing::TestParamInfo<DateRow>& paramInfo) {
        return std::string(paramInfo.param.name);
    });

} // namespace
} // namespace ombrix
