#include "platform/text_file.h"

#include "platform/input_file.h"
#include "platform/staged_file.h"

#include <vector>

namespace ombrix {

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
    auto input = InputFile::open(file);
    if (!input)
        return std::nullopt;
    // The size is a hint: a file that grows meanwhile is read to its end.
    std::string bytes(static_cast<std::size_t>(input->size()) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        const std::size_t got = input->read(std::span(bytes).subspan(filled));
        if (got == 0)
            break;
        filled += got;
    }
    if (input->failed())
        return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

std::error_code replaceFile(const std::filesystem::path& target, std::string_view bytes,
                            std::filesystem::perms mode) {
    const FileReplacement file{target, bytes};
    return replaceFiles(std::span(&file, 1), mode);
}

std::error_code replaceFiles(std::span<const FileReplacement> files, std::filesystem::perms mode) {
    std::vector<StagedFile> staged;
    staged.reserve(files.size());
    for (const FileReplacement& file : files)
        staged.emplace_back(file.target, mode).write(file.bytes);
    return commitStagedFiles(staged);
}

} // namespace ombrix
