#pragma once
// The user's configuration base directory: $XDG_CONFIG_HOME when it holds an
// absolute path, else ~/.config.

#include <filesystem>

namespace ombrix {

std::filesystem::path userConfigHome();

} // namespace ombrix
