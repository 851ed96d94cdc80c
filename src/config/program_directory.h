#pragma once
// The directory that holds obx.dat, obx.msf and obx.rd.

#include <optional>
#include <string>

namespace ombrix {

inline std::string programDirectory;

// --dir when given, else the directory named by the autostart entry, else
// $XDG_CONFIG_HOME/ombrix (~/.config/ombrix). Created when missing; a
// directory that cannot be created shows up as failed loads and saves.
std::string findProgramDirectory(const std::optional<std::string>& dirArgument);

} // namespace ombrix
