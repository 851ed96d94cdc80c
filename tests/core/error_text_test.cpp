// The gate between a server's words and everything that shows them.

#include "core/error_text.h"

#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

using namespace std::string_literals;

struct TextRow {
    const char* name;
    std::string server;
    std::string shown;
};

class ErrorTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(ErrorTextTest, IsOneLineWithoutControlCharacters) {
    EXPECT_EQ(boundedErrorText(GetParam().server), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ErrorTextTest,
    ::testing::Values(TextRow{"LineEndIsDropped", "-ERR go away\r\n", "-ERR go away"},
                      TextRow{"LinesAreJoinedByOneBlank", "* OK [ALERT] x\r\na000 NO y\r\n",
                              "* OK [ALERT] x a000 NO y"},
                      TextRow{"TabsAndBareLineFeedsAreBlanks", "\r\n-ERR\ta\n\nb\r", "-ERR a b"},
                      TextRow{"TerminalEscapesAndNulBecomeMarks",
                              "-ERR \x1b[2J\x07zap\x00\x7f end"s, "-ERR ?[2J?zap?? end"},
                      TextRow{"Utf8KeepsItsLettersButNotItsC1Controls",
                              "-ERR Zugriff verweigert: \xc3\xbc\xc2\x85!",
                              "-ERR Zugriff verweigert: \xc3\xbc?!"},
                      TextRow{"Windows1252KeepsItsLettersButNotItsC1Bytes",
                              "-ERR Passwort ung\xfcltig\x85\x9b\x81\x9d",
                              "-ERR Passwort ung\xfcltig\x85\x9b??"},
                      TextRow{"EmptyStaysEmpty", "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ErrorTextBoundTest, LongTextsAreCutToThreeHundredBytesWithAMark) {
    const std::string exact = "-ERR " + std::string(kMaxErrorTextBytes - 5, 'x');
    EXPECT_EQ(boundedErrorText(exact + "\r\n"), exact) << "300 bytes fit whole";

    const std::string huge = "-ERR " + std::string(200000, 'x') + "\r\n";
    const std::string cut = boundedErrorText(huge);
    EXPECT_EQ(cut.size(), kMaxErrorTextBytes);
    EXPECT_EQ(cut, huge.substr(0, kMaxErrorTextBytes - 3) + "...");

    // A two-byte letter across the cut goes whole, so the text stays UTF-8.
    const std::string letters = std::string(kMaxErrorTextBytes - 4, 'x') + "\xc3\xbc" + "yyyy";
    EXPECT_EQ(boundedErrorText(letters), std::string(kMaxErrorTextBytes - 4, 'x') + "...");
}

} // namespace
} // namespace ombrix::test
