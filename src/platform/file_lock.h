#pragma once
// An advisory lock (flock) on a file, held while the object lives. Other
// processes that lock the same file see it; it ends with the process.

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

namespace ombrix {

enum class LockKind { Shared, Exclusive };

class FileLock {
public:
    // Creates the file (mode 0600) when it is missing. Nothing when a holder
    // excludes this lock or the file cannot be opened; `openError` then tells
    // the second case from the first (it stays clear while a holder excludes).
    static std::optional<FileLock> tryLock(const std::filesystem::path& file, LockKind kind,
                                           std::error_code& openError);
    static std::optional<FileLock> tryLock(const std::filesystem::path& file, LockKind kind);
    // Tries again until `wait` has passed; a file that cannot be opened ends
    // the wait at once.
    static std::optional<FileLock> lockWithin(const std::filesystem::path& file, LockKind kind,
                                              std::chrono::milliseconds wait,
                                              std::error_code& openError);
    static std::optional<FileLock> lockWithin(const std::filesystem::path& file, LockKind kind,
                                              std::chrono::milliseconds wait);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : fd_(fd) {}
    void release();

    int fd_ = -1;
};

} // namespace ombrix
