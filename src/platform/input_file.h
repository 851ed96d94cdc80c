#pragma once
// A regular file read front to back in pieces of the caller's size, so that a
// large file passes through one small buffer that stays in the cache instead
// of being copied whole into fresh memory.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace ombrix {

class InputFile {
public:
    // Nothing when the file cannot be opened or is no regular file.
    static std::optional<InputFile> open(const std::filesystem::path& file);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    InputFile(const InputFile&) = delete;
    ~InputFile();

    // The size when it was opened.
    std::uint64_t size() const { return size_; }

    // The next bytes, up to `into.size()`: how many were read; 0 at the end
    // of the file or when it could not be read (failed() then says so).
    std::size_t read(std::span<char> into);

    bool failed() const { return failed_; }

private:
    InputFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    int fd_;
    std::uint64_t size_;
    bool failed_ = false;
};

} // namespace ombrix
