#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace ombrix {
namespace {

constexpr std::chrono::milliseconds kRetryPeriod{50};

} // namespace

std::optional<FileLock> FileLock::tryLock(const std::filesystem::path& file, LockKind kind,
                                          std::error_code& openError) {
    openError.clear();
    // Close-on-exec: a program started from ours must not inherit the lock.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        openError = {errno, std::generic_category()};
        return std::nullopt;
    }
    const int operation = (kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int result = 0;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return FileLock(fd);
}

std::optional<FileLock> FileLock::tryLock(const std::filesystem::path& file, LockKind kind) {
    std::error_code ignored;
    return tryLock(file, kind, ignored);
}

std::optional<FileLock> FileLock::lockWithin(const std::filesystem::path& file, LockKind kind,
                                             std::chrono::milliseconds wait,
                                             std::error_code& openError) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (auto lock = tryLock(file, kind, openError))
            return lock;
        if (openError || std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(kRetryPeriod);
    }
}

std::optional<FileLock> FileLock::lockWithin(const std::filesystem::path& file, LockKind kind,
                                             std::chrono::milliseconds wait) {
    std::error_code ignored;
    return lockWithin(file, kind, wait, ignored);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

void FileLock::release() {
    if (fd_ >= 0)
        ::close(fd_); // closing the only descriptor ends the lock
    fd_ = -1;
}

} // namespace ombrix
