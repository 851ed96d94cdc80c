#include "platform/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

std::filesystem::path directoryOf(const std::filesystem::path& target) {
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// A temporary beside `target` holding `bytes`, flushed to disk: its name, or
// empty with `error` set (and no temporary left behind).
std::string writeTemporary(const std::filesystem::path& target, std::string_view bytes,
                           std::filesystem::perms mode, std::error_code& error) {
    std::string name =
        (directoryOf(target) / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = lastError();
        return {};
    }
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = lastError();
    if (::close(fd) != 0 && !error)
        error = lastError();
    if (error) {
        ::unlink(name.c_str());
        return {};
    }
    return name;
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
    // POSIX calls: a directory in the file's place is a read error here,
    // where a stream would throw.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ::close(fd);
            if (got < 0)
                return std::nullopt;
            return bytes;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

std::error_code replaceFile(const std::filesystem::path& target, std::string_view bytes,
                            std::filesystem::perms mode) {
    const FileReplacement file{target, bytes};
    return replaceFiles(std::span(&file, 1), mode);
}

std::error_code replaceFiles(std::span<const FileReplacement> files, std::filesystem::perms mode) {
    std::vector<std::string> temporaries;
    std::error_code error;
    for (const FileReplacement& file : files) {
        std::string temporary = writeTemporary(file.target, file.bytes, mode, error);
        if (error)
            break;
        temporaries.push_back(std::move(temporary));
    }
    std::size_t renamed = 0;
    while (!error && renamed < temporaries.size()) {
        if (::rename(temporaries[renamed].c_str(), files[renamed].target.c_str()) != 0)
            error = lastError();
        else
            ++renamed;
    }
    if (error) {
        for (std::size_t i = renamed; i < temporaries.size(); ++i)
            ::unlink(temporaries[i].c_str());
        return error;
    }
    std::filesystem::path synced;
    for (const FileReplacement& file : files)
        if (const auto directory = directoryOf(file.target); directory != synced) {
            syncDirectory(directory);
            synced = directory;
        }
    return {};
}

} // namespace ombrix
