#include "platform/staged_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ombrix {
namespace {

constexpr std::size_t kCompareChunk = 256 * 1024;

// errno of the failed call; never "no error" for a failure.
std::error_code lastError() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Exactly `into.size()` bytes from `offset`, or false.
bool readAllAt(int fd, std::span<char> into, std::uint64_t offset) {
    while (!into.empty()) {
        const ssize_t got = ::pread(fd, into.data(), into.size(), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            return false;
        }
        into = into.subspan(static_cast<std::size_t>(got));
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

std::filesystem::path directoryOf(const std::filesystem::path& target) {
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// The target as it is, when it can stand for the new content: a regular file
// with the wanted mode. Else -1.
int openComparable(const std::filesystem::path& target, std::filesystem::perms mode,
                   std::uint64_t& size) {
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        (status.st_mode & 07777) != static_cast<mode_t>(mode)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return fd;
}

} // namespace

void syncDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

StagedFile::StagedFile(std::filesystem::path target, std::filesystem::perms mode)
    : target_(std::move(target)), mode_(mode) {
    old_ = openComparable(target_, mode_, oldSize_);
    if (!comparing())
        startWriting();
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : target_(std::move(other.target_)), mode_(other.mode_), old_(std::exchange(other.old_, -1)),
      oldSize_(other.oldSize_), matched_(other.matched_),
      temporaryFd_(std::exchange(other.temporaryFd_, -1)),
      temporary_(std::exchange(other.temporary_, {})), error_(other.error_),
      scratch_(std::move(other.scratch_)) {}

StagedFile::~StagedFile() {
    if (old_ >= 0)
        ::close(old_);
    if (temporaryFd_ >= 0)
        ::close(temporaryFd_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

void StagedFile::write(std::string_view piece) {
    if (error_)
        return;
    if (comparing()) {
        if (sameAsOld(piece)) {
            matched_ += piece.size();
            return;
        }
        startWriting();
        if (error_)
            return;
    }
    if (!writeAll(temporaryFd_, piece))
        fail();
}

bool StagedFile::sameAsOld(std::string_view piece) {
    if (piece.size() > oldSize_ - matched_)
        return false;
    scratch_.resize(std::min(piece.size(), kCompareChunk));
    for (std::uint64_t offset = matched_; !piece.empty();) {
        const std::size_t length = std::min(piece.size(), scratch_.size());
        const std::span<char> old(scratch_.data(), length);
        if (!readAllAt(old_, old, offset) || std::memcmp(old.data(), piece.data(), length) != 0)
            return false;
        piece.remove_prefix(length);
        offset += length;
    }
    return true;
}

// From here on the new content goes to a temporary; what matched so far is
// the target's own beginning and is copied from it.
void StagedFile::startWriting() {
    temporary_ = (directoryOf(target_) / ("." + target_.filename().string() + ".XXXXXX")).string();
    temporaryFd_ = ::mkstemp(temporary_.data());
    if (temporaryFd_ < 0) {
        error_ = lastError();
        temporary_.clear();
        return;
    }
    if (::fchmod(temporaryFd_, static_cast<mode_t>(mode_)) != 0) {
        fail();
        return;
    }
    if (comparing())
        copyMatchedPrefix();
}

void StagedFile::copyMatchedPrefix() {
    scratch_.resize(kCompareChunk);
    for (std::uint64_t offset = 0; offset < matched_ && !error_;) {
        const std::size_t length =
            static_cast<std::size_t>(std::min<std::uint64_t>(matched_ - offset, scratch_.size()));
        if (!readAllAt(old_, std::span(scratch_.data(), length), offset) ||
            !writeAll(temporaryFd_, std::string_view(scratch_.data(), length)))
            fail();
        offset += length;
    }
    ::close(std::exchange(old_, -1));
}

void StagedFile::fail() {
    if (!error_)
        error_ = lastError();
    if (temporaryFd_ >= 0)
        ::close(std::exchange(temporaryFd_, -1));
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

std::error_code StagedFile::finish() {
    if (error_)
        return error_;
    if (comparing()) {
        if (matched_ == oldSize_) {
            ::close(std::exchange(old_, -1));
            return {};
        }
        startWriting(); // the new content is a shorter beginning of the old
        if (error_)
            return error_;
    }
    if (::fsync(temporaryFd_) != 0) {
        fail();
        return error_;
    }
    if (::close(std::exchange(temporaryFd_, -1)) != 0)
        fail();
    return error_;
}

std::error_code StagedFile::install() {
    if (!changed())
        return {};
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return lastError(); // the destructor removes the temporary
    temporary_.clear();
    return {};
}

std::error_code commitStagedFiles(std::span<StagedFile> files, const CommitSteps& steps) {
    for (StagedFile& file : files)
        if (const std::error_code error = file.finish())
            return error;
    const bool anyChanged = std::ranges::any_of(files, &StagedFile::changed);
    if (anyChanged && steps.beforeRenames)
        if (const std::error_code error = steps.beforeRenames())
            return error;
    std::vector<std::filesystem::path> renamedIn;
    for (StagedFile& file : files) {
        if (!file.changed())
            continue;
        if (const std::error_code error = file.install())
            return error;
        renamedIn.push_back(directoryOf(file.target()));
        if (steps.afterRename)
            steps.afterRename();
    }
    std::sort(renamedIn.begin(), renamedIn.end());
    renamedIn.erase(std::unique(renamedIn.begin(), renamedIn.end()), renamedIn.end());
    for (const std::filesystem::path& directory : renamedIn)
        syncDirectory(directory);
    return {};
}

} // namespace ombrix
