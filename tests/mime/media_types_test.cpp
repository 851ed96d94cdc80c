#include "mime/char_classes.h"
#include "mime/media_types.h"
#include "mime/message_part.h"
#include "mime/registries.h"
#include "mime/row_name.h"
#include "mime/transfer_coders.h"

#include <gtest/gtest.h>

namespace ombrix::mime {
namespace {

struct MediaRow {
    std::string name;
    std::string contentType;
    int index;
};

class MediaTypeIndex : public testing::TestWithParam<MediaRow> {};

TEST_P(MediaTypeIndex, FirstPrefixingEntry) {
    EXPECT_EQ(mediaTypeIndex(GetParam().contentType), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Rows, MediaTypeIndex,
                         testing::Values(MediaRow{"Text", "text/plain; charset=UTF-8", 0},
                                         MediaRow{"ImageUpperCase", "IMAGE/png", 1},
                                         MediaRow{"Audio", "audio/ogg", 2},
                                         MediaRow{"VideoIsNone", "video/mpeg", 7},
                                         MediaRow{"OldSpellingMatches", "vedio/mpeg", 3},
                                         MediaRow{"Application", "application/pdf", 4},
                                         MediaRow{"Multipart", "Multipart/Mixed", 5},
                                         MediaRow{"Message", "message/rfc822", 6},
                                         MediaRow{"PrefixWithoutSlash", "textual", 0},
                                         MediaRow{"Unknown", "model/vrml", 7},
                                         MediaRow{"Empty", "", 7}),
                         test::RowName());

TEST(MediaType, PartWithoutContentTypeIsText) {
    MessagePart part;
    part.load("Subject: x\r\n\r\n");
    EXPECT_EQ(part.getField("Content-Type"), nullptr);
    EXPECT_EQ(mainType("text/plain"), "text");
    EXPECT_EQ(mainType("multipart"), "multipart");
}

struct ParameterRow {
    std::string name;
    std::string contentType;
    std::string boundary;
};

class BoundaryParameter : public testing::TestWithParam<ParameterRow> {};

TEST_P(BoundaryParameter, Found) {
    EXPECT_EQ(contentTypeParameter(GetParam().contentType, "boundary"), GetParam().boundary);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BoundaryParameter,
    testing::Values(
        ParameterRow{"Token", "multipart/mixed; boundary=abc123", "abc123"},
        ParameterRow{"Quoted", "multipart/mixed; boundary=\"=_a b/c?\"", "=_a b/c?"},
        ParameterRow{"NameAnyCase", "multipart/mixed;BOUNDARY=x", "x"},
        ParameterRow{"BlanksAroundEquals", "multipart/mixed; boundary = x", "x"},
        ParameterRow{"SecondParameter", "multipart/mixed; charset=us-ascii; boundary=b", "b"},
        ParameterRow{"FoldedBeforeParameter", "multipart/mixed;\r\n\tboundary=\"f\"", "f"},
        ParameterRow{"ExtraSemicolons", "multipart/mixed;; ;boundary=x", "x"},
        ParameterRow{"LongerNameIsNoMatch", "multipart/mixed; boundaryx=no", ""},
        ParameterRow{"NameSuffixIsNoMatch", "multipart/mixed; xboundary=no; boundary=yes", "yes"},
        ParameterRow{"SemicolonInsideQuotes",
                     "multipart/mixed; name=\"a;boundary=evil\"; boundary=ok", "ok"},
        ParameterRow{"TokenEndsAtSpecial", "multipart/mixed; boundary=abc.def", "abc"},
        ParameterRow{"TokenKeepsSlashAndQuestionMark", "multipart/mixed; boundary=a/b?c", "a/b?c"},
        ParameterRow{"UnterminatedQuote", "multipart/mixed; boundary=\"abc", "abc"},
        ParameterRow{"NotInMainType", "boundary=x", ""},
        ParameterRow{"Missing", "multipart/mixed", ""}),
    test::RowName());

TEST(CharacterClasses, SevenBitOnly) {
    EXPECT_TRUE(isHexDigit('F'));
    EXPECT_FALSE(isHexDigit('f'));
    EXPECT_FALSE(isHexDigit('G'));
    EXPECT_TRUE(isSpecial('.'));
    EXPECT_TRUE(isSpecial('='));
    EXPECT_FALSE(isSpecial('/'));
    EXPECT_FALSE(isSpecial('?'));
    EXPECT_TRUE(isWhiteSpace('\v'));
    EXPECT_FALSE(isWhiteSpace('\xA0'));
    EXPECT_TRUE(isControl('\x7F'));
    EXPECT_FALSE(isControl('\x80'));
    EXPECT_TRUE(isLetterOrDigit('z'));
    EXPECT_FALSE(isLetterOrDigit('\xE9'));
    EXPECT_TRUE(isTokenChar('\xE9'));
    EXPECT_FALSE(isTokenChar(' '));
    EXPECT_FALSE(isTokenChar('"'));
}

struct FieldCoderRow {
    std::string name;
    std::string fieldName;
    FieldKind kind;
};

class FieldCoderRegistry : public testing::TestWithParam<FieldCoderRow> {};

TEST_P(FieldCoderRegistry, ChoosesKindByName) {
    EXPECT_EQ(makeFieldCoder(GetParam().fieldName)->kind(), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FieldCoderRegistry,
    testing::Values(
        FieldCoderRow{"Subject", "SUBJECT", FieldKind::Unstructured},
        FieldCoderRow{"ContentDescription", "content-description", FieldKind::Unstructured},
        FieldCoderRow{"From", "From", FieldKind::Address},
        FieldCoderRow{"ResentReplyTo", "resent-reply-to", FieldKind::Address},
        FieldCoderRow{"Bcc", "Bcc", FieldKind::Address},
        FieldCoderRow{"ContentDisposition", "Content-Disposition", FieldKind::Parameter},
        FieldCoderRow{"DateIsPlain", "Date", FieldKind::Plain},
        FieldCoderRow{"UnknownIsPlain", "X-Mailer", FieldKind::Plain},
        FieldCoderRow{"EmptyNameIsPlain", "", FieldKind::Plain}),
    test::RowName());

TEST(TransferCoderRegistry, KnownNamesAndCopyForTheRest) {
    EXPECT_NE(dynamic_cast<Base64Coder*>(makeTransferCoder("Base64").get()), nullptr);
    EXPECT_NE(dynamic_cast<QuotedPrintableCoder*>(makeTransferCoder("QUOTED-PRINTABLE").get()),
              nullptr);
    for (const char* other : {"7bit", "8bit", "binary", "", "x-unknown", "base64x"})
        EXPECT_NE(dynamic_cast<CopyCoder*>(makeTransferCoder(other).get()), nullptr) << other;
    EXPECT_EQ(transferCoderRegistry().size(), 2u);
}

TEST(PartRegistry, EveryTypeGetsTheGenericPart) {
    EXPECT_EQ(partRegistry().size(), 0u);
    for (const char* type : {"text", "video", "multipart", ""}) {
        const auto part = makePart(type);
        ASSERT_NE(part, nullptr);
        const MessagePart& made = *part;
        EXPECT_EQ(typeid(made), typeid(MessagePart));
    }
}

} // namespace
} // namespace ombrix::mime
