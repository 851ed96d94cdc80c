#include "mime/row_name.h"
#include "mime/transfer_coders.h"

#include <gtest/gtest.h>
#include <vector>

namespace ombrix::mime {
namespace {

using namespace std::string_literals;

struct DecodeRow {
    std::string name;
    std::string input;
    std::string expected;
};

std::string decodeAll(const Coder& coder, std::string_view input) {
    std::vector<char> out(coder.decodedLength(input));
    const std::size_t written = coder.decode(input, out.data(), out.size());
    EXPECT_LE(written, out.size());
    return std::string(out.data(), written);
}

class QuotedPrintableBody : public testing::TestWithParam<DecodeRow> {};

TEST_P(QuotedPrintableBody, Decodes) {
    EXPECT_EQ(decodeAll(QuotedPrintableCoder(), GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QuotedPrintableBody,
    testing::Values(DecodeRow{"PlainTextCopied", "Hello, world", "Hello, world"},
                    DecodeRow{"UpperCaseEscapes", "Gr=FC=DFe",
                              "Gr\xFC\xDF"
                              "e"},
                    DecodeRow{"LowerCaseEscapesAreOctetsToo", "Caf=e9 =c3=a4", "Caf\xE9 \xC3\xA4"},
                    DecodeRow{"MixedCaseEscape", "=eA=Ea", "\xEA\xEA"},
                    DecodeRow{"SoftLineBreakRemoved", "long=\r\nline", "longline"},
                    DecodeRow{"HardLineBreakKept", "one\r\ntwo", "one\r\ntwo"},
                    DecodeRow{"UnderscoreStaysInBodies", "snake_case_name", "snake_case_name"},
                    DecodeRow{"EqualsBeforeNonHexIsDropped", "a=zb", "azb"},
                    DecodeRow{"EqualsBeforeLoneCarriageReturn", "a=\rb", "a\rb"},
                    DecodeRow{"EqualsWithOneCharacterLeftEnds", "ab=C", "ab"},
                    DecodeRow{"EqualsAtEndEnds", "ab=", "ab"},
                    DecodeRow{"EncodedEqualsSign", "1+1=3D2", "1+1=2"},
                    DecodeRow{"SecondDigitReadLoosely", "=Az", "\xA3"},
                    DecodeRow{"EightBitOctetsCopied", "\xE9\xFF", "\xE9\xFF"},
                    DecodeRow{"Empty", "", ""}),
    test::RowName());

TEST(QuotedPrintableWord, UnderscoreIsABlank) {
    const QuotedPrintableCoder qWord(QuotedPrintableCoder::Underscore::AsBlank);
    EXPECT_EQ(decodeAll(qWord, "Caf=E9_cr=E8me"), "Caf\xE9 cr\xE8me");
    EXPECT_EQ(decodeAll(qWord, "a=5Fb"), "a_b"); // an encoded underscore is an underscore
}

class Base64Body : public testing::TestWithParam<DecodeRow> {};

TEST_P(Base64Body, Decodes) {
    EXPECT_EQ(decodeAll(Base64Coder(), GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Base64Body,
    testing::Values(DecodeRow{"WithPadding", "SGVsbG8=", "Hello"},
                    DecodeRow{"DoublePadding", "SGk=", "Hi"},
                    DecodeRow{"WithoutPadding", "SGk", "Hi"},
                    DecodeRow{"FullGroups", "YWJjZGVm", "abcdef"},
                    DecodeRow{"LineBreaksSkipped", "SGVs\r\nbG8=\r\n", "Hello"},
                    DecodeRow{"BareLineFeedSkipped", "SGVs\nbG8=", "Hello"},
                    DecodeRow{"BlankEndsDecoding", "SGVs bG8=", "Hel"},
                    DecodeRow{"ForeignCharacterEnds", "SGVs*bG8", "Hel"},
                    DecodeRow{"BothExtraCharacters", "+/+/", "\xFB\xFF\xBF"},
                    DecodeRow{"Utf8OctetsKept", "w6TDtsO8", "\xC3\xA4\xC3\xB6\xC3\xBC"},
                    DecodeRow{"LoneSextetGivesNothing", "Q", ""}, DecodeRow{"Empty", "", ""}),
    test::RowName());

const CopyCoder copyCoder;
const QuotedPrintableCoder quotedPrintableCoder;
const Base64Coder base64Coder;

struct CapacityRow {
    std::string name;
    const Coder* coder;
    std::string input;
    std::string expected;
};

class CoderCapacity : public testing::TestWithParam<CapacityRow> {};

// Each coder is handed a heap block of exactly the capacity, so the sanitizer build
// catches a single octet written past it.
TEST_P(CoderCapacity, OutputStopsAtCapacity) {
    const CapacityRow& row = GetParam();
    for (std::size_t capacity = 0; capacity <= row.expected.size(); ++capacity) {
        auto out = std::make_unique<char[]>(capacity == 0 ? 1 : capacity);
        const std::size_t written = row.coder->decode(row.input, out.get(), capacity);
        ASSERT_EQ(written, capacity);
        EXPECT_EQ(std::string(out.get(), written), row.expected.substr(0, capacity));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CoderCapacity,
                         testing::Values(CapacityRow{"Copy", &copyCoder, "abcdef", "abcdef"},
                                         CapacityRow{"QuotedPrintable", &quotedPrintableCoder,
                                                     "=E9=E9x=E9", "\xE9\xE9x\xE9"},
                                         CapacityRow{"Base64", &base64Coder, "YWJjZGVm", "abcdef"}),
                         test::RowName());

} // namespace
} // namespace ombrix::mime
