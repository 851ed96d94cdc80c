#include "platform/text_file.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(TextModeTest, ConvertsLineEndsAndStopsAtByte26) {
    struct Row {
        const char* name;
        std::string onDisk;
        std::string read;
    };
    const Row rows[] = {
        {"CR LF becomes LF", "a\r\nb\r\n"s, "a\nb\n"s},
        {"lone CR stays", "a\rb\r"s, "a\rb\r"s},
        {"CR before CR LF", "a\r\r\nb"s, "a\r\nb"s},
        {"bare LF stays", "a\nb"s, "a\nb"s},
        {"byte 26 ends the data",
         "ab\x1A"
         "cd\r\n"s,
         "ab"s},
        {"zero bytes pass", "a\0\r\n"s, "a\0\n"s},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fromTextMode(row.onDisk), row.read) << row.name;
}

TEST(TextModeTest, WritingStoresEveryLfAsCrLf) {
    EXPECT_EQ(toTextMode("a\nb\n\n"s), "a\r\nb\r\n\r\n"s);
    EXPECT_EQ(toTextMode("\r\n"s), "\r\r\n"s);
    const std::string everyByte = [] {
        std::string bytes;
        for (int b = 0; b < 256; ++b)
            if (b != 26)
                bytes += static_cast<char>(b);
        return bytes;
    }();
    EXPECT_EQ(fromTextMode(toTextMode(everyByte)), everyByte);
}

class ReplaceFileTest : public testing::Test {
protected:
    std::size_t entryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
    }
    test::TempDir dir;
};

TEST_F(ReplaceFileTest, ReplacesContentAndSetsTheMode) {
    const fs::path target = dir / "f";
    test::writeBytes(target, "old content that is longer");
    fs::permissions(target, fs::perms::all);
    ASSERT_FALSE(replaceFile(target, "new\0x"s, fs::perms::owner_read | fs::perms::owner_write));
    EXPECT_EQ(test::readBytes(target), "new\0x"s);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entryCount(), 1u);
}

TEST_F(ReplaceFileTest, FailureLeavesTheOldAndNoTemporary) {
    const fs::path target = dir / "f";
    fs::create_directory(target);
    test::writeBytes(target / "inside", "old");
    const std::error_code error = replaceFile(target, "new", fs::perms::owner_read);
    EXPECT_TRUE(error);
    EXPECT_EQ(test::readBytes(target / "inside"), "old");
    EXPECT_EQ(entryCount(), 1u);

    EXPECT_TRUE(replaceFile(dir / "missing" / "f", "new", fs::perms::owner_read));
    EXPECT_EQ(entryCount(), 1u);
}

TEST_F(ReplaceFileTest, FilesReplacedTogetherAllChangeOrNoneDoes) {
    test::writeBytes(dir / "a", "old a");
    test::writeBytes(dir / "b", "old b");
    const fs::path missing = dir / "missing" / "b";
    const FileReplacement failing[] = {{dir / "a", "new a"}, {missing, "new b"}};
    EXPECT_TRUE(replaceFiles(failing, fs::perms::owner_read | fs::perms::owner_write));
    EXPECT_EQ(test::readBytes(dir / "a"), "old a");
    EXPECT_EQ(entryCount(), 2u);

    const FileReplacement both[] = {{dir / "a", "new a"}, {dir / "b", "new b"}};
    ASSERT_FALSE(replaceFiles(both, fs::perms::owner_read | fs::perms::owner_write));
    EXPECT_EQ(test::readBytes(dir / "a"), "new a");
    EXPECT_EQ(test::readBytes(dir / "b"), "new b");
    EXPECT_EQ(entryCount(), 2u);
}

TEST_F(ReplaceFileTest, ReadingAMissingFileGivesNothing) {
    EXPECT_FALSE(readFileBytes(dir / "none"));
    test::writeBytes(dir / "empty", "");
    EXPECT_EQ(readFileBytes(dir / "empty"), std::optional<std::string>(""));
    fs::create_directory(dir / "a directory");
    EXPECT_FALSE(readFileBytes(dir / "a directory")) << "an error, never an exception";
    const std::string large(200000, 'x');
    test::writeBytes(dir / "large", large);
    EXPECT_EQ(readFileBytes(dir / "large"), std::optional<std::string>(large));
}

} // namespace
} // namespace ombrix
