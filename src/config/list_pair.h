#pragma once
// obx.msf and obx.rd as one pair. obx.rd is read by position against the mail
// counts of obx.msf, and two renames can never be one step: a crash between
// them would pair new lists with old read flags. So the old pair stays beside
// them (hard links, or copies where the file system has none) while a save
// renames, and a small marker file names it; a load that finds the marker
// reads the old pair, which is whole. Neither file's layout changes.

#include "platform/staged_file.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <system_error>

namespace ombrix {

// The marker: while it exists the files it names beside it (obx.msf.previous,
// obx.rd.previous) are the pair to read; a file it does not name had none.
inline constexpr const char* kListPairMarkerName = "obx.pair-pending";

struct ListPairSources {
    std::optional<std::filesystem::path> mailLists; // nothing: no lists on disk
    std::optional<std::filesystem::path> readFlags;
};

// The files a load reads; reads only.
ListPairSources listPairSources(const std::filesystem::path& directory);

// True while a save's marker is left: obx.msf and obx.rd may not belong
// together, and only a save of both mends them.
bool listPairPending(const std::filesystem::path& directory);

// Commits the staged obx.msf and obx.rd of `directory` (in that order). On
// success both hold the new pair and nothing else is left; on failure the
// old pair is back in place where the renames allow it, and otherwise the
// marker stays and the next load reads the old pair.
std::error_code commitListPair(std::span<StagedFile> pair, const std::filesystem::path& directory);

// For tests that stop a process between the two renames.
void setListPairRenameHook(std::function<void()> afterEachRename);

} // namespace ombrix
