#include "mime/field_coders.h"
#include "mime/row_name.h"

#include <gtest/gtest.h>

namespace ombrix::mime {
namespace {

struct WordRow {
    std::string name;
    std::string raw;
    std::string value;
    std::string charset;
};

class EncodedWords : public testing::TestWithParam<WordRow> {};

TEST_P(EncodedWords, DecodeIntoOctets) {
    const WordRow& row = GetParam();
    HeaderField field;
    field.charset = "stale";
    FieldCoder(FieldKind::Unstructured).decode(row.raw, field);
    EXPECT_EQ(field.value, row.value);
    EXPECT_EQ(field.charset, row.charset);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EncodedWords,
    testing::Values(
        WordRow{"QWordLatin1UnderscoreIsBlank", "=?ISO-8859-1?Q?Caf=E9_cr=E8me?= Paris",
                "Caf\xE9 cr\xE8me Paris", "ISO-8859-1"},
        WordRow{"BWordUtf8WithPadding", "=?UTF-8?B?R3LDvMOfZQ==?=",
                "Gr\xC3\xBC\xC3\x9F"
                "e",
                "UTF-8"},
        WordRow{"TwoWordsSeparatedByBlank", "=?UTF-8?Q?Hello?= =?UTF-8?Q?World?=", "HelloWorld",
                "UTF-8"},
        WordRow{"TwoWordsSeparatedByFold", "=?UTF-8?B?SGk=?=\r\n =?UTF-8?Q?there?=", "Hithere",
                "UTF-8"},
        WordRow{"AdjacentWords", "=?UTF-8?Q?a?==?UTF-8?Q?b?=", "ab", "UTF-8"},
        WordRow{"BlankBeforePlainWordKept", "=?UTF-8?Q?a?= b", "a b", "UTF-8"},
        WordRow{"PlainTextBeforeWordKept", "Re: =?UTF-8?Q?=C3=A4?=", "Re: \xC3\xA4", "UTF-8"},
        WordRow{"LowerCaseEncodingLetters", "=?utf-8?q?x=41?= =?utf-8?b?QQ==?=", "xAA", "utf-8"},
        WordRow{"FirstCharsetRecorded", "=?ISO-8859-1?Q?a?= =?UTF-8?Q?b?=", "ab", "ISO-8859-1"},
        WordRow{"UnknownEncodingLetterIsPlain", "=?UTF-8?X?abc?=", "=?UTF-8?X?abc?=", ""},
        WordRow{"WordWithoutEndRunsToEnd", "=?UTF-8?Q?abc", "abc", "UTF-8"},
        WordRow{"CharsetWithoutEndIsPlain", "price =?abc", "price =?abc", ""},
        WordRow{"EncodingWithoutQuestionMarkIsPlain", "=?UTF-8?Q", "=?UTF-8?Q", ""},
        WordRow{"FoldedPlainTextKeepsItsBreak", "first\r\n second", "first\r\n second", ""},
        WordRow{"PlainText", "Hello world", "Hello world", ""}, WordRow{"Empty", "", "", ""}),
    test::RowName());

TEST(FieldCoderKinds, AllKindsDecodeAlike) {
    const std::string raw = "=?ISO-8859-1?Q?M=FCller?= <m@example.org>";
    for (const FieldKind kind :
         {FieldKind::Plain, FieldKind::Unstructured, FieldKind::Address, FieldKind::Parameter}) {
        HeaderField field;
        FieldCoder(kind).decode(raw, field);
        EXPECT_EQ(field.value, "M\xFCller <m@example.org>");
        EXPECT_EQ(field.charset, "ISO-8859-1");
    }
}

} // namespace
} // namespace ombrix::mime
