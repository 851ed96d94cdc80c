#pragma once
// Start with the desktop session: the XDG autostart entry
// $XDG_CONFIG_HOME/autostart/ombrixwatch.desktop (~/.config when unset). Its
// Exec= line holds the program path and `--dir <programDirectory>`, so a
// program started at log-in finds its files again.

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace ombrix {

std::filesystem::path autostartEntryPath();

// The directory after --dir on the entry's Exec= line; nothing when the entry
// is missing, unreadable or names no directory.
std::optional<std::string> readAutostartDirectory();

// Creates or replaces the entry so that it starts `programPath --dir DIR`.
std::error_code writeAutostartEntry(const std::string& programPath,
                                    const std::string& programDirectory);

// Removes the entry; a missing entry is no error.
std::error_code deleteAutostartEntry();

// The Exec= value for these arguments, quoted and escaped as desktop entries
// require, and its inverse (nothing when the quoting is broken).
std::string execLineFor(const std::string& programPath, const std::string& programDirectory);
std::optional<std::string> directoryFromExecLine(const std::string& execValue);

} // namespace ombrix
