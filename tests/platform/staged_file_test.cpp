#include "platform/staged_file.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr auto kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

ino_t inodeOf(const fs::path& file) {
    struct stat status {};
    EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
    return status.st_ino;
}

class StagedFileTest : public testing::Test {
protected:
    void SetUp() override {
        target = dir / "f";
        std::string old(1000, '\0');
        for (std::size_t i = 0; i < old.size(); ++i)
            old[i] = static_cast<char>(i * 7 + i / 256);
        oldContent = old;
        writeOld(oldContent, kOwnerOnly);
    }

    void writeOld(const std::string& bytes, fs::perms mode) {
        test::writeBytes(target, bytes);
        fs::permissions(target, mode);
        oldInode = inodeOf(target);
    }

    // Hands `bytes` over in pieces of `piece` bytes and commits.
    std::error_code stage(std::string_view bytes, std::size_t piece) {
        std::vector<StagedFile> files;
        StagedFile& file = files.emplace_back(target, kOwnerOnly);
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            file.write(bytes.substr(at, piece));
        return commitStagedFiles(files);
    }

    std::size_t entryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
    }

    test::TempDir dir;
    fs::path target;
    std::string oldContent;
    ino_t oldInode = 0;
};

TEST_F(StagedFileTest, TheSameBytesAndModeLeaveTheFileAsItIs) {
    for (const std::size_t piece : {1, 7, 1000}) {
        ASSERT_FALSE(stage(oldContent, piece));
        EXPECT_EQ(inodeOf(target), oldInode) << "never replaced, piece " << piece;
        EXPECT_EQ(test::readBytes(target), oldContent);
        EXPECT_EQ(entryCount(), 1u);
    }
}

TEST_F(StagedFileTest, TheSameBytesWithAnotherModeAreWrittenWithTheRightMode) {
    writeOld(oldContent, fs::perms::all);
    ASSERT_FALSE(stage(oldContent, 100));
    EXPECT_NE(inodeOf(target), oldInode);
    EXPECT_EQ(test::readBytes(target), oldContent);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, kOwnerOnly);
}

// The matched beginning is taken from the old file: whatever piece holds the
// first difference, the new file is exactly the new content.
TEST_F(StagedFileTest, ADifferenceAnywhereGivesExactlyTheNewContent) {
    struct Row {
        const char* name;
        std::string content;
    };
    const std::string base = oldContent;
    const auto changedAt = [&](std::size_t at) {
        std::string changed = base;
        changed[at] = static_cast<char>(changed[at] ^ 0x5A);
        return changed;
    };
    const Row rows[] = {
        {"first byte", changedAt(0)},
        {"second byte", changedAt(1)},
        {"middle", changedAt(499)},
        {"last byte", changedAt(999)},
        {"shorter", base.substr(0, 998)},
        {"longer", base + "tail"},
        {"empty", ""},
        {"other", "x"},
    };
    for (const Row& row : rows)
        for (const std::size_t piece : {1, 3, 250, 4096}) {
            SCOPED_TRACE(std::string(row.name) + ", piece " + std::to_string(piece));
            writeOld(base, kOwnerOnly);
            ASSERT_FALSE(stage(row.content, piece));
            EXPECT_EQ(test::readBytes(target), row.content);
            EXPECT_NE(inodeOf(target), oldInode);
            EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, kOwnerOnly);
            EXPECT_EQ(entryCount(), 1u) << "no temporary left";
        }
}

TEST_F(StagedFileTest, AMissingFileIsCreatedEvenEmpty) {
    for (const std::string& content : {""s, "new"s}) {
        fs::remove(target);
        ASSERT_FALSE(stage(content, 2));
        EXPECT_EQ(test::readBytes(target), content);
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, kOwnerOnly);
    }
}

TEST_F(StagedFileTest, AFileThatIsNeverCommittedChangesNothing) {
    {
        StagedFile file(target, kOwnerOnly);
        file.write("different");
    }
    EXPECT_EQ(test::readBytes(target), oldContent);
    EXPECT_EQ(inodeOf(target), oldInode);
    EXPECT_EQ(entryCount(), 1u);
}

TEST_F(StagedFileTest, AFailureReplacesNoneOfTheFiles) {
    test::writeBytes(dir / "a", "old a");
    std::vector<StagedFile> files;
    files.emplace_back(dir / "a", kOwnerOnly).write("new a");
    files.emplace_back(dir / "missing" / "b", kOwnerOnly).write("new b");
    EXPECT_TRUE(commitStagedFiles(files));
    EXPECT_EQ(test::readBytes(dir / "a"), "old a");
    files.clear();
    EXPECT_EQ(entryCount(), 2u) << "f and a, no temporary";
}

} // namespace
} // namespace ombrix
