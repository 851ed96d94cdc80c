// The requests a second start or a command sends to the desktop program, and
// the private place of its socket.

#include "config/running_instance.h"
#include "support/private_runtime_dir.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ombrix {
namespace {

TEST(InstanceRequestTest, EachRequestReadsBackAsItWasSent) {
    const InstanceRequest requests[] = {
        {InstanceRequestKind::Show, {}},
        {InstanceRequestKind::Show, "weston-7f3a_token.1"},
        {InstanceRequestKind::Check, {}},
    };
    for (const InstanceRequest& request : requests) {
        std::string line = instanceRequestLine(request);
        ASSERT_EQ(line.back(), '\n');
        line.pop_back();
        EXPECT_EQ(parseInstanceRequest(line), request) << line;
    }
}

TEST(InstanceRequestTest, ATokenThatWouldBreakTheLineIsLeftOut) {
    EXPECT_EQ(instanceRequestLine({InstanceRequestKind::Show, "a b"}), "show\n");
    EXPECT_EQ(instanceRequestLine({InstanceRequestKind::Show, "a\nb"}), "show\n");
    EXPECT_EQ(instanceRequestLine({InstanceRequestKind::Show, std::string(600, 'x')}), "show\n");
    // A check carries no token.
    EXPECT_EQ(instanceRequestLine({InstanceRequestKind::Check, "t"}), "check\n");
}

TEST(InstanceRequestTest, LinesNoProgramOfOursSendsAreNoRequest) {
    for (const char* line :
         {"", "show ", "showx", "show a b", "show \x01", "check now", "CHECK", "quit", "show\x7f"})
        EXPECT_FALSE(parseInstanceRequest(line)) << line;
}

class InstanceSocketPathTest : public testing::Test {
protected:
    test::PrivateRuntimeDir runtime_;
    test::TempDir directory_;
};

TEST_F(InstanceSocketPathTest, EverySpellingOfOneDirectoryMeetsAtOnePrivateSocket) {
    const std::string path = instanceSocketPath(directory_.path().string());
    EXPECT_EQ(std::filesystem::path(path).parent_path(), runtime_.path());
    EXPECT_EQ(instanceSocketPath(directory_.path().string() + "/."), path);
    EXPECT_EQ(instanceSocketPath(directory_.path().string() + "//"), path);
    EXPECT_EQ(instanceSocketPath((directory_.path() / "x" / "..").string()), path);
    EXPECT_NE(instanceSocketPath((directory_.path() / "other").string()), path);
}

TEST_F(InstanceSocketPathTest, ARuntimeDirectoryOthersMayEnterIsNotUsed) {
    ::chmod(runtime_.path().c_str(), 0755);
    const std::string path = instanceSocketPath(directory_.path().string());
    EXPECT_NE(std::filesystem::path(path).parent_path(), runtime_.path());
    // The fallback in /tmp is ours and closed to everybody else.
    if (!path.empty()) {
        struct stat status {};
        ASSERT_EQ(::lstat(std::filesystem::path(path).parent_path().c_str(), &status), 0);
        EXPECT_TRUE(S_ISDIR(status.st_mode));
        EXPECT_EQ(status.st_mode & 077, 0u);
        EXPECT_EQ(status.st_uid, ::getuid());
    }
}

TEST_F(InstanceSocketPathTest, NobodyListeningMeansTheRequestWasNotTaken) {
    EXPECT_FALSE(askRunningInstance(directory_.path().string(), {}));
}

} // namespace
} // namespace ombrix
