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

TEST_P(EncodedWords, Decode) {
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
                "Café crème Paris", "ISO-8859-1"},
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

// The words' text as their senders wrote it: converted to UTF-8 where iconv knows
// the charset, the octets kept where it does not.
INSTANTIATE_TEST_SUITE_P(
    Charsets, EncodedWords,
    testing::Values(
        WordRow{"Windows1252Q", "=?windows-1252?Q?Preis:_100_=80_=96_Angebot?=",
                "Preis: 100 € – Angebot", "windows-1252"},
        WordRow{"Iso8859_2Q", "=?ISO-8859-2?Q?Za=BF=F3=B3=E6_g=EA=B6l=B1?=", "Zażółć gęślą",
                "ISO-8859-2"},
        WordRow{"Iso8859_15Q", "=?iso-8859-15?q?=BCuvre_5_=A4?=", "Œuvre 5 €", "iso-8859-15"},
        WordRow{"Koi8RB", "=?KOI8-R?B?8NLJ18XUIM3J0g==?=", "Привет мир", "KOI8-R"},
        WordRow{"Windows1251Q", "=?Windows-1251?Q?=C7=E4=F0=E0=E2=F1=F2=E2=F3=E9=F2=E5?=",
                "Здравствуйте", "Windows-1251"},
        WordRow{"ShiftJisB", "=?Shift_JIS?B?k/qWe4zqgsyDgYFbg4s=?=", "日本語のメール", "Shift_JIS"},
        WordRow{"Gb2312B", "=?gb2312?B?1tDOxNPKvP4=?=", "中文邮件", "gb2312"},
        WordRow{"Iso2022JpB", "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=", "こんにちは",
                "ISO-2022-JP"},
        WordRow{"Big5B", "=?Big5?B?wWPF6aSkpOU=?=", "繁體中文", "Big5"},
        WordRow{"Utf8Q", "=?UTF-8?Q?Gr=C3=BC=C3=9Fe?=", "Grüße", "UTF-8"},
        WordRow{"CharsetNameIgnoresCase", "=?WINDOWS-1252?Q?=80?= =?Windows-1252?Q?=80?=", "€€",
                "WINDOWS-1252"},
        WordRow{"LanguageSuffixIgnored", "=?ISO-8859-1*de?Q?Gr=FC=DFe?=", "Grüße", "ISO-8859-1*de"},
        WordRow{"EachWordItsOwnCharset", "=?ISO-8859-2?Q?=B1?= =?KOI8-R?Q?=C1?= x", "ąа x",
                "ISO-8859-2"},
        WordRow{"CharacterSplitAcrossWords", "=?UTF-8?Q?=C3?= =?utf-8?B?pA==?=", "ä", "UTF-8"},
        WordRow{"UnknownCharsetKeepsBytes", "=?x-unknown?Q?caf=E9?= ok", "caf\xE9 ok", "x-unknown"},
        WordRow{"IconvOptionIsNoCharset", "=?UTF-8//IGNORE?Q?=E9?=", "\xE9", "UTF-8//IGNORE"},
        WordRow{"OverlongCharsetNameKeepsBytes", "=?" + std::string(65, 'A') + "?Q?=E9?=", "\xE9",
                std::string(65, 'A')},
        WordRow{"InvalidUtf8ReplacedAndRestKept", "=?UTF-8?Q?a=FFb=C3=A4?=", "a\uFFFDbä", "UTF-8"},
        WordRow{"InvalidShiftJisReplacedAndRestKept", "=?Shift_JIS?Q?=82=A0=FFx=82?= end",
                "あ\uFFFDx\uFFFD end", "Shift_JIS"}),
    test::RowName());

TEST(FieldCoderKinds, AllKindsDecodeAlike) {
    const std::string raw = "=?ISO-8859-1?Q?M=FCller?= <m@example.org>";
    for (const FieldKind kind :
         {FieldKind::Plain, FieldKind::Unstructured, FieldKind::Address, FieldKind::Parameter}) {
        HeaderField field;
        FieldCoder(kind).decode(raw, field);
        EXPECT_EQ(field.value, "Müller <m@example.org>");
        EXPECT_EQ(field.charset, "ISO-8859-1");
    }
}

} // namespace
} // namespace ombrix::mime
