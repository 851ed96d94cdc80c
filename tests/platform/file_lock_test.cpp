#include "platform/file_lock.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;

TEST(FileLockTest, ExclusiveShutsOutEveryOtherHolderUntilItEnds) {
    test::TempDir dir;
    const fs::path file = dir / "lock";
    auto exclusive = FileLock::tryLock(file, LockKind::Exclusive);
    ASSERT_TRUE(exclusive);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(FileLock::tryLock(file, LockKind::Exclusive));
    EXPECT_FALSE(FileLock::tryLock(file, LockKind::Shared));
    EXPECT_FALSE(FileLock::lockWithin(file, LockKind::Shared, std::chrono::milliseconds(0)));

    FileLock moved = std::move(*exclusive);
    exclusive.reset(); // the moved-from object holds nothing
    EXPECT_FALSE(FileLock::tryLock(file, LockKind::Shared));
    { [[maybe_unused]] FileLock ended = std::move(moved); }
    EXPECT_TRUE(FileLock::tryLock(file, LockKind::Exclusive));
}

TEST(FileLockTest, SharedHoldersMeetButKeepExclusiveOut) {
    test::TempDir dir;
    const fs::path file = dir / "lock";
    auto first = FileLock::tryLock(file, LockKind::Shared);
    auto second = FileLock::tryLock(file, LockKind::Shared);
    EXPECT_TRUE(first && second);
    EXPECT_FALSE(FileLock::tryLock(file, LockKind::Exclusive));
    first.reset();
    second.reset();
    EXPECT_TRUE(FileLock::lockWithin(file, LockKind::Exclusive, std::chrono::milliseconds(0)));
}

TEST(FileLockTest, AFileThatCannotBeOpenedGivesNoLock) {
    test::TempDir dir;
    EXPECT_FALSE(FileLock::tryLock(dir / "missing" / "lock", LockKind::Exclusive));
}

// A holder is no error; a file that cannot be opened is, and says which, at
// once instead of after the wait.
TEST(FileLockTest, AnOpenFailureIsToldApartFromAHolder) {
    test::TempDir dir;
    const fs::path file = dir / "lock";
    const auto holder = FileLock::tryLock(file, LockKind::Exclusive);
    ASSERT_TRUE(holder);
    std::error_code error;
    EXPECT_FALSE(FileLock::tryLock(file, LockKind::Exclusive, error));
    EXPECT_FALSE(error) << error.message();

    EXPECT_FALSE(FileLock::lockWithin(dir / "missing" / "lock", LockKind::Exclusive,
                                      std::chrono::hours(1), error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    fs::create_directory(dir / "directory");
    EXPECT_FALSE(FileLock::tryLock(dir / "directory", LockKind::Shared, error));
    EXPECT_EQ(error, std::errc::is_a_directory);
}

} // namespace
} // namespace ombrix
