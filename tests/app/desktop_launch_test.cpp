// Which executable the command `ombrix` hands its arguments to.

#include "app/desktop_launch.h"

#include <gtest/gtest.h>
#include <vector>

namespace ombrix {
namespace {

struct LaunchRow {
    const char* name;
    std::vector<const char*> arguments; // after argv[0]
    bool desktop;
};

class LaunchChoiceTest : public testing::TestWithParam<LaunchRow> {};

TEST_P(LaunchChoiceTest, DesktopOnlyWithoutACommand) {
    std::vector<const char*> argv{"ombrix"};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    EXPECT_EQ(startsDesktop(int(argv.size()), argv.data()), GetParam().desktop);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LaunchChoiceTest,
    testing::Values(LaunchRow{"Nothing", {}, true}, LaunchRow{"Directory", {"--dir", "/d"}, true},
                    LaunchRow{"BothPairs", {"--lang", "en", "--dir", "/d"}, true},
                    // The desktop program rejects a wrong value as the command line would.
                    LaunchRow{"WrongLanguageValue", {"--lang", "fr"}, true},
                    // A value is taken whatever it looks like, as the parser does.
                    LaunchRow{"ValueLikeACommand", {"--dir", "--check"}, true},
                    LaunchRow{"Command", {"--check"}, false},
                    LaunchRow{"CommandAfterDirectory", {"--dir", "/d", "--unread"}, false},
                    LaunchRow{"MissingValue", {"--dir"}, false},
                    LaunchRow{"MissingValueAfterPair", {"--lang", "de", "--lang"}, false},
                    LaunchRow{"UnknownArgument", {"--bogus"}, false},
                    LaunchRow{"BareWord", {"check"}, false}),
    [](const testing::TestParamInfo<LaunchRow>& row) { return row.param.name; });

} // namespace
} // namespace ombrix
