// ombrix --mark-read and --mark-unread through the real executable against
// the private test Dovecot; the server's \Seen is read with another client.

#include "cli/run_program.h"
#include "support/dovecot.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace ombrix::test {
namespace {

constexpr const char* kUser = "tessa";

class CliMarkDovecotTest : public DovecotTest {
protected:
    ProgramResult run(const TempDir& in, std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--dir", in.path().string()});
        return runOmbrix(arguments);
    }

    void addAccount(const TempDir& in) const {
        const ProgramResult added = runOmbrix(
            {"--dir", in.path().string(), "--add-account", "--name", "box", "--host", server().host,
             "--user", kUser, "--imap", "--port", std::to_string(server().imapPort)},
            server().password(kUser) + "\n");
        ASSERT_EQ(added.exitCode, 0) << added.err;
        ASSERT_EQ(run(in, {"--check"}).exitCode, 0);
    }

    // The UID of each row of --list 0, and whether the row is read.
    std::vector<std::pair<std::uint32_t, bool>> rows(const TempDir& in) const {
        std::vector<std::pair<std::uint32_t, bool>> listed;
        std::istringstream lines(run(in, {"--list", "0"}).out);
        for (std::string line; std::getline(lines, line);) {
            const std::string uid = line.substr(line.rfind('\t') + 1);
            listed.emplace_back(std::stoul(uid), line.substr(line.find('\t') + 1, 1) == "1");
        }
        return listed;
    }

    static std::string confOf(const TempDir& in) {
        return std::filesystem::exists(in / "ombrix.conf") ? readBytes(in / "ombrix.conf") : "";
    }

    static std::vector<std::uint32_t> sorted(std::vector<std::uint32_t> uids) {
        std::ranges::sort(uids);
        return uids;
    }

    TempDir dir;
};

TEST_F(CliMarkDovecotTest, MarksRowsReadAndUnreadOnTheServerByUid) {
    fillMailbox(server(), kUser, 5, "cli-mark-a");
    addAccount(dir);
    const auto before = rows(dir);
    ASSERT_EQ(before.size(), 5u);

    const ProgramResult read = run(dir, {"--mark-read", "0", "3", "1"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.err, "");
    EXPECT_EQ(seenUids(server(), kUser), sorted({before[1].first, before[3].first}));
    const auto after = rows(dir);
    EXPECT_TRUE(after[1].second && after[3].second && !after[0].second && !after[2].second);

    EXPECT_EQ(run(dir, {"--mark-unread", "0", "1"}).exitCode, 0);
    EXPECT_EQ(seenUids(server(), kUser), std::vector{before[3].first});
    EXPECT_FALSE(rows(dir)[1].second);

    const ProgramResult wrong = run(dir, {"--mark-read", "0", "5"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.err, "ombrix: account 0 has no row 5 (ombrix --help)\n");
}

TEST_F(CliMarkDovecotTest, WithMarkOnServerOffTheFilesAreAsAMarkHereAloneLeavesThem) {
    fillMailbox(server(), kUser, 3, "cli-mark-b");
    addAccount(dir);
    TempDir off;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.is_regular_file())
            std::filesystem::copy_file(entry.path(), off / entry.path().filename().string());
    const std::string key = "readToServer/imap/" + std::to_string(server().imapPort) + "/" +
                            server().host + "/" + kUser;
    writeBytes(off / "ombrix.conf", confOf(off) + key + "=off\n");
    const std::string confOff = confOf(off);

    EXPECT_EQ(run(off, {"--mark-read", "0", "2"}).exitCode, 0);
    EXPECT_TRUE(seenUids(server(), kUser).empty());
    EXPECT_EQ(confOf(off), confOff);

    EXPECT_EQ(run(dir, {"--mark-read", "0", "2"}).exitCode, 0);
    EXPECT_EQ(seenUids(server(), kUser).size(), 1u);
    EXPECT_EQ(readBytes(off / "obx.rd"), readBytes(dir / "obx.rd"));
}

TEST_F(CliMarkDovecotTest, AMarkTheServerRefusedGoesWithTheNextCheck) {
    fillMailbox(server(), kUser, 3, "cli-mark-c");
    addAccount(dir);
    const auto listed = rows(dir);
    // The account's server answers no more: the user changed the password there.
    const std::string settings = readBytes(dir / "obx.dat");
    ASSERT_EQ(run(dir, {"--accounts"}).out.find("keyring"), std::string::npos)
        << "the password must live in obx.dat for this test";
    const ProgramResult added = runOmbrix(
        {"--dir", (dir / "wrong").string(), "--add-account", "--name", "box", "--host",
         server().host, "--user", kUser, "--imap", "--port", std::to_string(server().imapPort)},
        "not the password\n");
    ASSERT_EQ(added.exitCode, 0);
    std::filesystem::copy_file(dir / "wrong" / "obx.dat", dir / "obx.dat",
                               std::filesystem::copy_options::overwrite_existing);

    const ProgramResult kept = run(dir, {"--mark-read", "0", "0"});
    EXPECT_EQ(kept.exitCode, 0);
    EXPECT_EQ(kept.err, "ombrix: the server could not be reached; the mark goes to it with the "
                        "next check.\n");
    EXPECT_TRUE(seenUids(server(), kUser).empty());
    EXPECT_NE(confOf(dir).find("pendingMarks/"), std::string::npos);

    writeBytes(dir / "obx.dat", settings);
    EXPECT_EQ(run(dir, {"--check"}).exitCode, 0);
    EXPECT_EQ(seenUids(server(), kUser), std::vector{listed[0].first});
    EXPECT_EQ(confOf(dir).find("pendingMarks/"), std::string::npos);
    EXPECT_TRUE(rows(dir)[0].second);
}

} // namespace
} // namespace ombrix::test
