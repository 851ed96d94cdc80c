#pragma once
// The desktop shell: open a web page or a file with the user's program for it,
// and find the command of the user's standard mail program.

#include <string>
#include <vector>

namespace ombrix {

// A URL with a scheme ("https://...", "mailto:...") or a local file path.
// False when the desktop found no program for it.
bool openInBrowser(const std::string& urlOrPath);

// The Exec= line of the desktop's default mailto handler ("thunderbird %u"),
// or an empty string when there is none.
std::string mailClientCommand();

// The pieces, each with its inputs given, for callers that know their dirs.

// The desktop file id of the default handler of a URL scheme: asks
// `xdg-mime query default x-scheme-handler/<scheme>`, and when that tool is
// missing or answers nothing, reads the mimeapps.list files itself.
std::string defaultSchemeHandler(const std::string& scheme);

// The [Default Applications] entry for the MIME type in the first of the
// mimeapps.list files that has one (first id of a ';' list).
std::string defaultHandlerFromMimeApps(const std::string& mimeType,
                                       const std::vector<std::string>& mimeAppsFiles);

// The mimeapps.list files in the XDG order of precedence.
std::vector<std::string> mimeAppsFiles();

// XDG_DATA_HOME followed by XDG_DATA_DIRS, with their defaults.
std::vector<std::string> xdgDataDirs();

// The Exec= value in the [Desktop Entry] group of the desktop file with that id
// (its string escapes such as \s undone), looked up under <dir>/applications/ (an id "a-b.desktop"
// may also live in the subfolder a/b.desktop). Empty when not found.
std::string desktopFileExec(const std::string& desktopId, const std::vector<std::string>& dataDirs);

// The Exec= value of a desktop file's text ([Desktop Entry] group only).
std::string execLineOf(const std::string& desktopFileText);

} // namespace ombrix
