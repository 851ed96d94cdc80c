#pragma once
// Files as the Windows C runtime's text mode wrote and read them, so that
// settings files move between the Windows program and ours byte for byte, and
// whole-file replacement that never leaves a half-written file behind.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace ombrix {

inline constexpr char kTextModeEnd = 26; // Ctrl-Z ends a file read in text mode

// Text mode on write: every LF is stored as CR LF.
std::string toTextMode(std::string_view text);

// Text mode on read: CR LF becomes LF, a lone CR stays, byte 26 ends the data.
std::string fromTextMode(std::string_view stored);

// The whole file as it is on disk; nothing when it is no regular file or
// cannot be opened or read.
std::optional<std::string> readFileBytes(const std::filesystem::path& file);

// Replaces `target` with `bytes`: a temporary file beside it is written,
// flushed to disk and renamed over it (a target that already holds these
// bytes with this mode is left as it is). On failure the old file is
// untouched, no temporary is left behind and the error is returned.
std::error_code replaceFile(const std::filesystem::path& target, std::string_view bytes,
                            std::filesystem::perms mode);

struct FileReplacement {
    std::filesystem::path target;
    std::string_view bytes;
};

// Replaces files that only mean something together: every temporary is
// written and flushed before the first rename, so a failure while writing
// leaves all the old files, and the renames follow one another directly.
std::error_code replaceFiles(std::span<const FileReplacement> files, std::filesystem::perms mode);

} // namespace ombrix
