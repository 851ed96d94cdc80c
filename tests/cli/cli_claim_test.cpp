// One program at a time writes a program directory: the writing modes beside
// the desktop program and beside each other, and a second desktop start.

#include "cli/run_program.h"
#include "config/directory_claim.h"
#include "config/state_fixtures.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace ombrix {
namespace {

using std::chrono::milliseconds;

class CliClaimTest : public testing::Test {
protected:
    void SetUp() override {
        test::writeBytes(dir / "obx.dat", test::settingsFixture());
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
    }

    test::ProgramResult run(std::vector<std::string> arguments, const std::string& input = "",
                            const std::vector<std::string>& environment = {}) {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return test::runOmbrix(arguments, input, environment);
    }

    std::vector<std::string> addAccount() const {
        return {
            "--dir", dir.path().string(), "--add-account", "--name", "n", "--host", "h", "--user",
            "u"};
    }

    // Polls a condition another process brings about, with a generous bound.
    static bool eventually(const std::function<bool()>& condition) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > limit)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

    test::TempDir dir;
    test::TempDir home;
};

TEST_F(CliClaimTest, WritingModesStopBesideTheDesktopProgramReadingOnesGoOn) {
    const DirectoryClaim desktop = DirectoryClaim::forDesktop(dir.path().string());
    ASSERT_TRUE(desktop.held());
    const std::string dat = test::readBytes(dir / "obx.dat");
    const std::vector<std::vector<std::string>> writers = {
        {"--add-account", "--name", "n", "--host", "h", "--user", "u"},
        {"--check"},
        {"--delete", "0", "0", "--yes"},
        {"--mark-read", "0", "0"},
        {"--mark-unread", "0", "0"}};
    for (const auto& writer : writers) {
        SCOPED_TRACE(writer.front());
        const test::ProgramResult result = run(writer, "pw\n");
        EXPECT_EQ(result.exitCode, 3);
        EXPECT_EQ(result.err, "ombrix: the desktop program is running on " + dir.path().string() +
                                  "; quit it or make the change in its window.\n");
    }
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), dat);
    EXPECT_NE(run({"--lang", "de", "--check"}).err.find("das Desktop-Programm läuft auf"),
              std::string::npos);

    for (const char* reader : {"--accounts", "--list", "--unread"}) {
        const test::ProgramResult result = run({reader});
        EXPECT_EQ(result.exitCode, 0) << reader;
        EXPECT_FALSE(result.out.empty()) << reader;
    }
}

TEST_F(CliClaimTest, TwoWritingModesWaitForEachOtherWithinABound) {
    std::optional<DirectoryClaim> other =
        DirectoryClaim::forCommand(dir.path().string(), milliseconds(0), [] {});
    ASSERT_TRUE(other->held());

    const test::ProgramResult refused =
        test::runOmbrix(addAccount(), "pw\n", {"OMBRIX_COMMAND_WAIT_MS=0"});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.err.find("another ombrix command is changing " + dir.path().string()),
              std::string::npos)
        << refused.err;

    test::RunningOmbrix waiting(addAccount(), "pw\n");
    ASSERT_TRUE(eventually([&] {
        return waiting.errSoFar().find("waiting for another ombrix command") != std::string::npos;
    }));
    other.reset();
    const test::ProgramResult added = waiting.finish();
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_NE(run({"--accounts"}).out.find("2\tn\th\t110\tPOP3"), std::string::npos);
}

// A lock file nobody can open is no other program's doing: the command and
// the desktop program say which file and why, at once.
TEST_F(CliClaimTest, ALockFileThatCannotBeOpenedIsNamedWithItsError) {
    const std::filesystem::path lock = dir / ".ombrix-desktop.lock";
    std::filesystem::create_directory(lock); // opening it for writing fails: EISDIR
    const std::string said = "cannot open the lock file " + lock.string() + ": Is a directory";

    const test::ProgramResult command = run({"--check"});
    EXPECT_EQ(command.exitCode, 3);
    EXPECT_NE(command.err.find(said), std::string::npos) << command.err;
    const test::ProgramResult german = run({"--lang", "de", "--delete", "0", "0", "--yes"});
    EXPECT_EQ(german.exitCode, 3);
    EXPECT_NE(german.err.find("die Sperrdatei " + lock.string() + " lässt sich nicht öffnen"),
              std::string::npos)
        << german.err;

    const test::ProgramResult desktop =
        run({}, "",
            {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.path().string(),
             "XDG_RUNTIME_DIR=" + home.path().string()});
    EXPECT_EQ(desktop.exitCode, 3);
    EXPECT_NE(desktop.err.find(said), std::string::npos) << desktop.err;
}

TEST_F(CliClaimTest, ASecondDesktopStartShowsTheFirstAndEnds) {
    const std::vector<std::string> desktopEnvironment = {"QT_QPA_PLATFORM=offscreen",
                                                         "XDG_CONFIG_HOME=" + home.path().string(),
                                                         "XDG_RUNTIME_DIR=" + home.path().string()};
    test::RunningOmbrix first({"--dir", dir.path().string()}, "", desktopEnvironment);
    ASSERT_TRUE(
        eventually([&] { return !DirectoryClaim::forDesktop(dir.path().string()).held(); }));
    EXPECT_EQ(run({"--add-account", "--name", "n", "--host", "h", "--user", "u"}, "pw\n").exitCode,
              3);

    const test::ProgramResult second = run({}, "", desktopEnvironment);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    first.sendSignal(SIGTERM);
    first.finish();
    EXPECT_TRUE(DirectoryClaim::forDesktop(dir.path().string()).held());
}

} // namespace
} // namespace ombrix
