#include "platform/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrix {
namespace {

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

// Makes the rename itself durable; a directory that refuses fsync is no error.
void syncDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string toTextMode(std::string_view text) {
    std::string stored;
    stored.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n')
            stored += '\r';
        stored += c;
    }
    return stored;
}

std::string fromTextMode(std::string_view stored) {
    std::string text;
    text.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (c == kTextModeEnd)
            break;
        if (c == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n')
            continue;
        text += c;
    }
    return text;
}

std::optional<std::string> readFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::error_code replaceFile(const std::filesystem::path& target, std::string_view bytes,
                            std::filesystem::perms mode) {
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (directory / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return lastError();

    std::error_code error;
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = lastError();
    if (::close(fd) != 0 && !error)
        error = lastError();
    if (!error && ::rename(pattern.c_str(), target.c_str()) != 0)
        error = lastError();
    if (error) {
        ::unlink(pattern.c_str());
        return error;
    }
    syncDirectory(directory);
    return {};
}

} // namespace ombrix
