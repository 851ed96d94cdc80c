#include "core/display_field.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

using namespace std::string_literals;

TEST(DisplayTextTest, Utf8StaysAndEverythingElseIsWindows1252) {
    struct Row {
        const char* name;
        std::string stored;
        std::string shown;
    };
    const Row rows[] = {
        {"ascii", "Hello", "Hello"},
        {"valid UTF-8",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"four-byte sequence", "\xF0\x9F\x93\xA7", "\xF0\x9F\x93\xA7"},
        {"Latin-1",
         "Gr\xFC\xDF"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"overlong slash", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate", "\xED\xA0\x80", "í\u00A0€"},
        {"cut-off sequence", "ab\xC3", "ab\xC3\x83"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "ô\u0090€€"},
        {"one bad byte turns the whole field", "\xC3\xBC\xFC", "\xC3\x83\xC2\xBC\xC3\xBC"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(displayText(row.stored), row.shown) << row.name;
}

TEST(DisplayTextTest, FieldIsAlwaysOneLineWithoutControls) {
    struct Row {
        const char* name;
        std::string stored;
        std::string shown;
    };
    const Row rows[] = {
        {"line ends and tab", "a\r\nb\tc", "a  b c"},
        {"uid line end", "U1\r\n", "U1  "},
        {"terminal escape", "\x1B[2Jx", "?[2Jx"},
        {"zero byte and DEL", "a\0b\x7F"s, "a?b?"},
        {"C1 control from a byte windows-1252 leaves undefined",
         "x\x8D"
         "1",
         "x?1"},
        {"windows-1252 character instead of a C1 control",
         "x\x9B"
         "1",
         "x›1"},
        {"no-break space kept",
         "a\xA0"
         "b",
         "a\xC2\xA0"
         "b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(displayField(row.stored), row.shown) << row.name;
}

struct BytesRow {
    std::string name;
    std::string stored;
    std::string shown;
};

class Windows1252Display : public testing::TestWithParam<BytesRow> {};

TEST_P(Windows1252Display, RawBytesThatAreNotUtf8) {
    EXPECT_EQ(displayText(GetParam().stored), GetParam().shown);
}

// Undefined in windows-1252, these five keep the Latin-1 reading (C1 controls).
INSTANTIATE_TEST_SUITE_P(
    Rows, Windows1252Display,
    testing::Values(
        BytesRow{"EuroAndEnDash", "Preis: 100 \x80 \x96 Angebot", "Preis: 100 € – Angebot"},
        BytesRow{"QuotesAndEllipsis", "\x84Ja\x93 \x91so\x92\x85", "„Ja“ ‘so’…"},
        BytesRow{"LettersOfTheHighRange", "\x8A\x8C\x8E\x9A\x9C\x9E\x9F\x83", "ŠŒŽšœžŸƒ"},
        BytesRow{"SignsOfTheHighRange", "\x86\x87\x89\x95\x97\x99", "†‡‰•—™"},
        BytesRow{"Latin1RangeUnchanged", "Gr\xFC\xDF\xA0\xFF", "Grüß\u00A0ÿ"},
        BytesRow{"UndefinedBytesStayLatin1", "\x81\x8D\x8F\x90\x9D\xE9",
                 "\u0081\u008D\u008F\u0090\u009Dé"}),
    [](const auto& row) { return row.param.name; });

TEST(DisplayTextTest, DateAsTheMailListShowsIt) {
    EXPECT_EQ(displayDate(7, 3, 2006), "07.03.2006");
    EXPECT_EQ(displayDate(31, 12, 1999), "31.12.1999");
    EXPECT_EQ(displayDate(1, 1, 12), "01.01.0012");
    // The list and --list share this: a month the date did not give is left out.
    EXPECT_EQ(displayDate(5, 13, 1999), "05.1999");
    EXPECT_EQ(displayDate(5, 0, 1999), "05.1999");
}

} // namespace
} // namespace ombrix
