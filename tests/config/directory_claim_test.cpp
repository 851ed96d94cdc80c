#include "config/directory_claim.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

using std::chrono::milliseconds;

class DirectoryClaimTest : public testing::Test {
protected:
    DirectoryClaim command(int* waits = nullptr) {
        return DirectoryClaim::forCommand(dir.path().string(), milliseconds(0), [waits] {
            if (waits)
                ++*waits;
        });
    }
    test::TempDir dir;
};

TEST_F(DirectoryClaimTest, TheDesktopProgramShutsOutCommandsAndASecondDesktop) {
    const DirectoryClaim desktop = DirectoryClaim::forDesktop(dir.path().string());
    ASSERT_TRUE(desktop.held());
    int waits = 0;
    EXPECT_EQ(command(&waits).outcome(), ClaimOutcome::DesktopRunning);
    EXPECT_EQ(waits, 0) << "refused at once, no wait";
    EXPECT_EQ(DirectoryClaim::forDesktop(dir.path().string()).outcome(),
              ClaimOutcome::DesktopRunning);
}

TEST_F(DirectoryClaimTest, CommandsTakeTurnsAndKeepTheDesktopOutMeanwhile) {
    std::optional<DirectoryClaim> first(command());
    ASSERT_TRUE(first->held());
    int waits = 0;
    EXPECT_EQ(command(&waits).outcome(), ClaimOutcome::Busy);
    EXPECT_EQ(waits, 1);
    EXPECT_FALSE(DirectoryClaim::forDesktop(dir.path().string()).held());

    first.reset();
    EXPECT_TRUE(command().held());
    EXPECT_TRUE(DirectoryClaim::forDesktop(dir.path().string()).held());
}

TEST_F(DirectoryClaimTest, ARefusedCommandLeavesTheDirectoryFree) {
    std::optional<DirectoryClaim> first(command());
    EXPECT_FALSE(command().held());
    first.reset();
    EXPECT_TRUE(DirectoryClaim::forDesktop(dir.path().string()).held());
}

} // namespace
} // namespace ombrix
