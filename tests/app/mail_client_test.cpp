// The standard mail program's command: which program starts, with which
// arguments.

#include "app/mail_client.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ombrix {
namespace {

struct CommandRow {
    const char* name;
    const char* execLine;
    const char* programPart; // as the extraction keeps it, quotes included
    const char* program;
    std::vector<std::string> arguments;
};

class MailClientCommandTest : public testing::TestWithParam<CommandRow> {};

TEST_P(MailClientCommandTest, SplitsProgramAndArguments) {
    const CommandRow& row = GetParam();
    EXPECT_EQ(commandProgramPart(row.execLine), row.programPart);
    const MailClientStart start = parseMailClientCommand(row.execLine);
    EXPECT_EQ(start.program, row.program);
    EXPECT_EQ(start.arguments, row.arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MailClientCommandTest,
    testing::Values(
        CommandRow{"QuotedPathWithArguments",
                   R"("/opt/My Mail/mailer" -compose %u)",
                   R"("/opt/My Mail/mailer")",
                   "/opt/My Mail/mailer",
                   {"-compose"}},
        CommandRow{"QuotedPathEndsAtTheSecondQuote",
                   R"("/opt/mail"x y)",
                   R"("/opt/mail")",
                   "/opt/mail",
                   {"x", "y"}},
        CommandRow{
            "UnquotedStopsAtTheFirstSpace", "thunderbird %u", "thunderbird", "thunderbird", {}},
        CommandRow{"UnquotedWithOptions",
                   "/usr/bin/evolution --component=mail %U",
                   "/usr/bin/evolution",
                   "/usr/bin/evolution",
                   {"--component=mail"}},
        CommandRow{"AloneOnTheLine", "claws-mail", "claws-mail", "claws-mail", {}},
        CommandRow{"QuoteAfterTheFirstWord",
                   R"(mailer "--title=Mail client" %u)",
                   "mailer",
                   "mailer",
                   {"--title=Mail client"}},
        CommandRow{"FlatpakKeepsItsRunArguments",
                   "/usr/bin/flatpak run --branch=stable org.mozilla.Thunderbird @@u %u @@",
                   "/usr/bin/flatpak",
                   "/usr/bin/flatpak",
                   {"run", "--branch=stable", "org.mozilla.Thunderbird", "@@u", "@@"}},
        CommandRow{"FieldCodesInsideAWordGo",
                   "mailer --to=%u --icon=%i",
                   "mailer",
                   "mailer",
                   {"--to=", "--icon="}},
        CommandRow{"DoublePercentIsAPercentSign",
                   "mailer --zoom=100%% %F",
                   "mailer",
                   "mailer",
                   {"--zoom=100%"}},
        CommandRow{"EscapesInsideQuotes",
                   R"(mailer "say \"hi\" \$HOME \\ now")",
                   "mailer",
                   "mailer",
                   {R"(say "hi" $HOME \ now)"}},
        CommandRow{"EmptyLine", "", "", "", {}}),
    [](const testing::TestParamInfo<CommandRow>& row) { return std::string(row.param.name); });

TEST(MailClientStartTest, AProgramThatIsNotThereDoesNotStart) {
    EXPECT_FALSE(startDetached({"/nonexistent/ombrix-test-mailer", {}}));
    EXPECT_FALSE(startDetached({"", {"--compose"}}));
}

} // namespace
} // namespace ombrix
