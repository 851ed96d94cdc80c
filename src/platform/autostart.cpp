#include "platform/autostart.h"

#include "platform/text_file.h"
#include "platform/user_dirs.h"

#include <sstream>
#include <vector>

namespace ombrix {
namespace {

constexpr std::string_view kEntryName = "ombrixwatch.desktop";
constexpr std::string_view kExecKey = "Exec=";
constexpr std::string_view kDirOption = "--dir";

// One argument in double quotes; inside them ", `, $ and \ take a backslash.
std::string quoteArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// The string escapes of a desktop entry value (\\, \n, \t, \r, \s), and %
// doubled because Exec= gives % its own meaning.
std::string escapeValue(const std::string& raw) {
    std::string value;
    for (const char c : raw) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        case '%':
            value += "%%";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string unescapeValue(const std::string& value) {
    std::string raw;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            raw += value[i];
            continue;
        }
        switch (value[++i]) {
        case 'n':
            raw += '\n';
            break;
        case 't':
            raw += '\t';
            break;
        case 'r':
            raw += '\r';
            break;
        case 's':
            raw += ' ';
            break;
        case '\\':
            raw += '\\';
            break;
        default:
            raw += '\\', raw += value[i];
        }
    }
    return raw;
}

// Exec= arguments: separated by blanks, double quotes group, and inside quotes
// a backslash takes the next character as it is. Nothing for an open quote.
std::optional<std::vector<std::string>> splitArguments(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const bool doubledPercent = c == '%' && i + 1 < line.size() && line[i + 1] == '%';
        if (quoted) {
            if ((c == '\\' && i + 1 < line.size()) || doubledPercent)
                current += line[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == ' ' || c == '\t') {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == '"')
                quoted = true;
            else if (doubledPercent)
                current += line[++i];
            else
                current += c;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments.push_back(std::move(current));
    return arguments;
}

} // namespace

std::filesystem::path autostartEntryPath() {
    return userConfigHome() / "autostart" / kEntryName;
}

std::string execLineFor(const std::string& programPath, const std::string& programDirectory) {
    return escapeValue(quoteArgument(programPath) + " " + std::string(kDirOption) + " " +
                       quoteArgument(programDirectory));
}

std::optional<std::string> directoryFromExecLine(const std::string& execValue) {
    const auto arguments = splitArguments(unescapeValue(execValue));
    if (!arguments)
        return std::nullopt;
    for (std::size_t i = 0; i + 1 < arguments->size(); ++i)
        if ((*arguments)[i] == kDirOption && !(*arguments)[i + 1].empty())
            return (*arguments)[i + 1];
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
