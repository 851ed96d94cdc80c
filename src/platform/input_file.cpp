#include "platform/input_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrix {

std::optional<InputFile> InputFile::open(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return InputFile(fd, static_cast<std::uint64_t>(status.st_size));
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), failed_(other.failed_) {
    other.fd_ = -1;
}

InputFile::~InputFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t InputFile::read(std::span<char> into) {
    if (failed_ || into.empty())
        return 0;
    for (;;) {
        const ssize_t got = ::read(fd_, into.data(), into.size());
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR) {
            failed_ = true;
            return 0;
        }
    }
}

} // namespace ombrix
