#include "platform/autostart.h"

#include "platform/desktop_exec.h"
#include "platform/text_file.h"
#include "platform/user_dirs.h"

#include <sstream>
#include <vector>

namespace ombrix {
namespace {

constexpr std::string_view kEntryName = "ombrixwatch.desktop";
constexpr std::string_view kExecKey = "Exec=";
constexpr std::string_view kDirOption = "--dir";

} // namespace

std::filesystem::path autostartEntryPath() {
    return userConfigHome() / "autostart" / kEntryName;
}

std::string execLineFor(const std::string& programPath, const std::string& programDirectory) {
    return escapeDesktopValue(quoteExecArgument(programPath) + " " + std::string(kDirOption) + " " +
                              quoteExecArgument(programDirectory));
}

std::optional<std::string> directoryFromExecLine(const std::string& execValue) {
    const ExecWords split = splitExecWords(unescapeDesktopValue(execValue));
    if (split.quoteLeftOpen)
        return std::nullopt;
    const std::vector<std::string>& words = split.words;
    for (std::size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == kDirOption && !withoutFieldCodes(words[i + 1]).empty())
            return withoutFieldCodes(words[i + 1]);
    return std::nullopt;
}

std::optional<std::string> readAutostartDirectory() {
    const auto bytes = readFileBytes(autostartEntryPath());
    if (!bytes)
        return std::nullopt;
    std::istringstream lines(*bytes);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with(kExecKey))
            return directoryFromExecLine(line.substr(kExecKey.size()));
    }
    return std::nullopt;
}

std::error_code writeAutostartEntry(const std::string& programPath,
                                    const std::string& programDirectory) {
    const std::filesystem::path entry = autostartEntryPath();
    std::error_code error;
    std::filesystem::create_directories(entry.parent_path(), error);
    if (error)
        return error;
    const std::string text = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Ombrix\n"
                             "Comment=Mail checker\n"
                             "Exec=" +
                             execLineFor(programPath, programDirectory) +
                             "\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";
    using std::filesystem::perms;
    return replaceFile(entry, text,
                       perms::owner_read | perms::owner_write | perms::group_read |
                           perms::others_read);
}

std::error_code deleteAutostartEntry() {
    std::error_code error;
    std::filesystem::remove(autostartEntryPath(), error);
    return error;
}

} // namespace ombrix
