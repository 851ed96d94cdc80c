#include "mime/message_part.h"
#include "mime/row_name.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

using namespace std::string_literals;

std::string subjectOf(const MessagePart& part) {
    return std::string(part.getSubject().value_or("<none>"));
}

struct HeaderRow {
    std::string name;
    std::string text;
    long loaded; // -2: the whole text
    std::string subject;
    std::string from;
};

class HeaderFields : public testing::TestWithParam<HeaderRow> {};

TEST_P(HeaderFields, LoadAndAccessors) {
    const HeaderRow& row = GetParam();
    const test::ExactBuffer text(row.text);
    MessagePart part;
    const long loaded = part.load(text.view());
    EXPECT_EQ(loaded, row.loaded == -2 ? static_cast<long>(row.text.size()) : row.loaded);
    EXPECT_EQ(subjectOf(part), row.subject);
    EXPECT_EQ(std::string(part.getFrom().value_or("<none>")), row.from);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeaderFields,
    testing::Values(
        HeaderRow{"PlainHeaderAndBody", "From: a@b.example\r\nSubject: Hi\r\n\r\nbody\r\n", -2,
                  "Hi", "a@b.example"},
        HeaderRow{"CapitalSubjectName", "SUBJECT: Shouting\r\n\r\n", -2, "Shouting", "<none>"},
        HeaderRow{"FoldedSubjectUnfolds", "Subject: has to be\r\n folded\r\nFrom: x\r\n\r\n", -2,
                  "has to be folded", "x"},
        HeaderRow{"TabFoldedSubject", "Subject: a\r\n\tb\r\n\r\n", -2, "a\tb", "<none>"},
        HeaderRow{"UnfoldingKeepsEveryBlank", "Subject: a \r\n  b\r\n\r\n", -2, "a   b", "<none>"},
        HeaderRow{"FoldedThreeTimes", "Subject: a\r\n b\r\n c\r\n d\r\n\r\n", -2, "a b c d",
                  "<none>"},
        HeaderRow{"FoldedEncodedWords",
                  "Subject: =?windows-1252?Q?100_=80?=\r\n =?windows-1252?Q?_=96_Angebot?=\r\n\r\n",
                  -2, "100 € – Angebot", "<none>"},
        HeaderRow{"BlanksAfterColonSkipped", "Subject: \t  spaced \r\n\r\n", -2, "spaced ",
                  "<none>"},
        HeaderRow{"LastLineWithoutBreak", "From: a@b.example\r\nSubject: Hi", 0, "<none>",
                  "a@b.example"},
        HeaderRow{"FoldedLastLineWithoutBreak", "From: x\r\nSubject: a\r\n b", 0, "<none>", "x"},
        HeaderRow{"HeaderEndsWithText", "Subject: Hi\r\n", 13, "Hi", "<none>"},
        HeaderRow{"EmptyText", "", 0, "<none>", "<none>"},
        HeaderRow{"EmptyHeader", "\r\nSubject: body, not header\r\n", -2, "<none>", "<none>"},
        HeaderRow{"StrayContinuationSkipped", " stray\r\nSubject: Hi\r\n\r\n", -2, "Hi", "<none>"},
        HeaderRow{"StrayContinuationBeforeEmptyLine", " stray\r\n\r\nSubject: x\r\n", 0, "<none>",
                  "<none>"},
        HeaderRow{"ZeroOctetEndsHeader", "Subject: Hi\r\n\0From: hidden\r\n\r\n"s, -2, "Hi",
                  "<none>"},
        HeaderRow{"ZeroOctetInsideValue", "From: x\r\nSubject: H\0i\r\n\r\n"s, 0, "<none>", "x"},
        HeaderRow{"BareLineFeedIsNoLineEnd", "Subject: a\nFrom: b\r\n\r\n", -2, "a\nFrom: b",
                  "<none>"},
        HeaderRow{"EncodedSubject", "Subject: =?ISO-8859-1?Q?Caf=E9_cr=E8me?= Paris\r\n\r\n", -2,
                  "Café crème Paris", "<none>"}),
    test::RowName());

TEST(HeaderFields, Pop3StatusLineBecomesFieldWithoutName) {
    const std::string text = "+OK 2310 octets\r\nDate: Tue, 7 Mar 2006 10:00:00 +0100\r\n"
                             "Subject: Report\r\n\r\nBody line\r\n.\r\n";
    MessagePart part;
    ASSERT_EQ(part.load(text), static_cast<long>(text.size()));
    ASSERT_EQ(part.fields.size(), 3u);
    EXPECT_EQ(part.fields[0].name, "");
    EXPECT_EQ(part.fields[0].value, "+OK 2310 octets");
    EXPECT_EQ(subjectOf(part), "Report");
    EXPECT_EQ(part.getDate().value_or(""), "Tue, 7 Mar 2006 10:00:00 +0100");
    EXPECT_EQ(part.body, "Body line\r\n.\r\n");
}

TEST(HeaderFields, DuplicatesKeptAndFirstFound) {
    MessagePart part;
    part.load("Received: one\r\nsubject: first\r\nReceived: two\r\nSubject: second\r\n\r\n");
    ASSERT_EQ(part.fields.size(), 4u);
    EXPECT_EQ(part.fields[2].value, "two");
    EXPECT_EQ(subjectOf(part), "first");
    ASSERT_NE(part.getField("RECEIVED"), nullptr);
    EXPECT_EQ(part.getField("received")->value, "one");
    EXPECT_EQ(part.getField("Received:"), nullptr);
    EXPECT_EQ(part.getField("Receive"), nullptr);
}

TEST(HeaderFields, EmptySubjectIsNotMissing) {
    MessagePart part;
    part.load("Subject:\r\nFrom: \r\n\r\n");
    ASSERT_TRUE(part.getSubject().has_value());
    EXPECT_EQ(*part.getSubject(), "");
    EXPECT_EQ(part.getFrom().value_or("<none>"), "");
}

TEST(HeaderFields, CharsetRecordedPerField) {
    MessagePart part;
    part.load("Subject: =?koi8-r?B?8NLJ18XU?=\r\nFrom: plain@x\r\n\r\n");
    ASSERT_EQ(part.fields.size(), 2u);
    EXPECT_EQ(part.fields[0].charset, "koi8-r");
    EXPECT_EQ(part.fields[0].value, "Привет");
    EXPECT_EQ(part.fields[1].charset, "");
}

struct BodyRow {
    std::string name;
    std::string encodingField; // empty: no Content-Transfer-Encoding field
    std::string content;
    std::string body;
};

class BodyDecoding : public testing::TestWithParam<BodyRow> {};

TEST_P(BodyDecoding, ByTransferEncoding) {
    const BodyRow& row = GetParam();
    const std::string text = "Subject: x\r\n" + row.encodingField + "\r\n" + row.content;
    MessagePart part;
    ASSERT_EQ(part.load(text), static_cast<long>(text.size()));
    EXPECT_EQ(part.body, row.body);
    EXPECT_EQ(part.body.c_str()[part.body.size()], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BodyDecoding,
    testing::Values(
        BodyRow{"NoEncodingCopies", "", "a=E9_b\r\n", "a=E9_b\r\n"},
        BodyRow{"SevenBitCopies", "Content-Transfer-Encoding: 7bit\r\n", "a=E9\r\n", "a=E9\r\n"},
        BodyRow{"UnknownCopies", "Content-Transfer-Encoding: x-uuencode\r\n", "begin 644\r\n",
                "begin 644\r\n"},
        BodyRow{"Base64", "Content-Transfer-Encoding: base64\r\n", "SGVs\r\nbG8=\r\n", "Hello"},
        BodyRow{"Base64AnyCaseAndTrailingBlank", "Content-Transfer-Encoding: BASE64 \r\n",
                "SGVsbG8=", "Hello"},
        BodyRow{"QuotedPrintableKeepsUnderscore", "content-transfer-encoding: Quoted-Printable\r\n",
                "snake_case=3D=e9=\r\nx\r\n", "snake_case=\xE9x\r\n"},
        BodyRow{"EmptyContent", "Content-Transfer-Encoding: base64\r\n", "", ""}),
    test::RowName());

} // namespace
} // namespace ombrix
