#include "config/list_pair.h"

#include "config/obx_schema.h"
#include "platform/input_file.h"
#include "platform/text_file.h"

#include <string>
#include <utility>
#include <vector>

namespace ombrix {
namespace {

namespace fs = std::filesystem;

constexpr auto kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
constexpr std::size_t kCopyChunk = 256 * 1024;

std::function<void()>& renameHook() {
    static std::function<void()> hook;
    return hook;
}

fs::path markerPath(const fs::path& directory) {
    return directory / kListPairMarkerName;
}

fs::path previousOf(const fs::path& file) {
    return fs::path(file.string() + ".previous");
}

// The marker names one file a line.
bool markerNames(const std::string& marker, const std::string& name) {
    std::size_t begin = 0;
    while (begin < marker.size()) {
        const std::size_t end = std::min(marker.find('\n', begin), marker.size());
        if (marker.compare(begin, end - begin, name) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

// Where no second link can be made (some network and FAT file systems), a
// copy flushed to disk stands for it.
std::error_code copyDurably(const fs::path& file, const fs::path& copy) {
    auto in = InputFile::open(file);
    if (!in)
        return std::make_error_code(std::errc::io_error);
    std::vector<StagedFile> staged;
    StagedFile& out = staged.emplace_back(copy, kOwnerOnly);
    std::vector<char> buffer(kCopyChunk);
    while (const std::size_t got = in->read(buffer))
        out.write(std::string_view(buffer.data(), got));
    if (in->failed())
        return std::make_error_code(std::errc::io_error);
    return commitStagedFiles(staged);
}

std::error_code keepPrevious(const fs::path& file) {
    const fs::path previous = previousOf(file);
    std::error_code error;
    fs::remove(previous, error);
    if (error)
        return error;
    fs::create_hard_link(file, previous, error);
    return error ? copyDurably(file, previous) : std::error_code();
}

void dropPrevious(std::span<StagedFile> pair) {
    std::error_code ignored;
    for (const StagedFile& file : pair)
        fs::remove(previousOf(file.target()), ignored);
}

// Links (or copies) the files there are now, then the marker naming them: a
// marker on disk always means a whole previous pair beside it.
std::error_code keepPreviousPair(std::span<StagedFile> pair, const fs::path& directory) {
    std::string marker;
    for (const StagedFile& file : pair) {
        std::error_code error;
        const bool exists = fs::exists(file.target(), error);
        if (error)
            return error;
        if (!exists)
            continue;
        if (const std::error_code kept = keepPrevious(file.target()))
            return kept;
        marker += file.target().filename().string() + '\n';
    }
    syncDirectory(directory);
    return replaceFile(markerPath(directory), marker, kOwnerOnly);
}

// After a failed save: the previous pair goes back. False when it could not,
// and the marker must stay for the next load.
bool restorePrevious(std::span<StagedFile> pair, const std::string& marker) {
    bool restored = true;
    for (const StagedFile& file : pair) {
        std::error_code error;
        if (markerNames(marker, file.target().filename().string()))
            fs::rename(previousOf(file.target()), file.target(), error);
        else
            fs::remove(file.target(), error);
        restored = restored && !error;
    }
    return restored;
}

// The marker goes first: without it the previous files are only left-overs.
void finishPair(std::span<StagedFile> pair, const fs::path& directory) {
    std::error_code ignored;
    fs::remove(markerPath(directory), ignored);
    dropPrevious(pair);
    syncDirectory(directory);
}

} // namespace

ListPairSources listPairSources(const fs::path& directory) {
    const fs::path lists = directory / schema::kMailListFileName;
    const fs::path flags = directory / schema::kReadFlagFileName;
    const std::optional<std::string> marker = readFileBytes(markerPath(directory));
    if (!marker)
        return {lists, flags};
    const auto source = [&marker](const fs::path& file) -> std::optional<fs::path> {
        if (!markerNames(*marker, file.filename().string()))
            return std::nullopt;
        return previousOf(file);
    };
    return {source(lists), source(flags)};
}

bool listPairPending(const fs::path& directory) {
    std::error_code ignored;
    return fs::exists(markerPath(directory), ignored);
}

std::error_code commitListPair(std::span<StagedFile> pair, const fs::path& directory) {
    const bool pending = listPairPending(directory);
    bool kept = pending; // a pending marker's pair is the whole one: it stays
    CommitSteps steps;
    steps.beforeRenames = [&]() -> std::error_code {
        if (pending)
            return {};
        const std::error_code error = keepPreviousPair(pair, directory);
        if (error)
            dropPrevious(pair);
        kept = !error;
        return error;
    };
    steps.afterRename = [] {
        if (renameHook())
            renameHook()();
    };
    const std::error_code error = commitStagedFiles(pair, steps);
    if (!kept)
        return error;
    if (error) {
        const std::string marker = readFileBytes(markerPath(directory)).value_or("");
        if (!restorePrevious(pair, marker))
            return error;
    }
    finishPair(pair, directory);
    return error;
}

void setListPairRenameHook(std::function<void()> afterEachRename) {
    renameHook() = std::move(afterEachRename);
}

} // namespace ombrix
