#pragma once
// The user's configuration base directory: $XDG_CONFIG_HOME when it holds an
// absolute path, else ~/.config. And the private runtime directory that local
// sockets go into.

#include <filesystem>
#include <optional>

namespace ombrix {

std::filesystem::path userConfigHome();

// $XDG_RUNTIME_DIR when it is an absolute path to a directory of ours that only
// we may enter; without one, /tmp/ombrix-UID, made so (or nothing, when that
// name is taken by a link or by a directory others may enter).
std::optional<std::filesystem::path> privateRuntimeDirectory();

} // namespace ombrix
