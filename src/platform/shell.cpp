#include "platform/shell.h"

#include "platform/desktop_exec.h"
#include "platform/display_qstring.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ombrix {
namespace {

constexpr std::size_t kMaxDesktopFile = 256 * 1024;

std::string readSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string bytes(kMaxDesktopFile, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return bytes;
}

std::string trimmed(std::string text) {
    const char* blanks = " \t\r\n";
    text.erase(0, text.find_first_not_of(blanks));
    const auto last = text.find_last_not_of(blanks);
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::vector<std::string> splitPathList(const std::string& list) {
    std::vector<std::string> parts;
    std::stringstream stream(list);
    for (std::string part; std::getline(stream, part, ':');)
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

// Calls `fn(key, value)` for every key=value line of one group of an ini-style file.
template <class Fn>
void forEachEntryInGroup(const std::string& text, const std::string& group, Fn fn) {
    std::stringstream lines(text);
    bool inGroup = false;
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const auto equals = line.find('=');
        if (inGroup && equals != std::string::npos)
            if (fn(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1))))
                return;
    }
}

std::string queryXdgMime(const std::string& scheme) {
    const QString tool = QStandardPaths::findExecutable("xdg-mime");
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {"query", "default", QString::fromStdString("x-scheme-handler/" + scheme)});
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return trimmed(process.readAllStandardOutput().left(4096).toStdString());
}

} // namespace

bool openInBrowser(const std::string& urlOrPath) {
    const QString text = toDisplay(urlOrPath);
    QUrl url(text, QUrl::StrictMode);
    if (url.scheme().size() < 2 || QFileInfo::exists(text)) // "C:" or a plain path
        url = QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

std::string mailClientCommand() {
    const std::string id = defaultSchemeHandler("mailto");
    return id.empty() ? std::string() : desktopFileExec(id, xdgDataDirs());
}

std::string defaultSchemeHandler(const std::string& scheme) {
    std::string id = queryXdgMime(scheme);
    if (id.empty())
        id = defaultHandlerFromMimeApps("x-scheme-handler/" + scheme, mimeAppsFiles());
    return id;
}

std::string defaultHandlerFromMimeApps(const std::string& mimeType,
                                       const std::vector<std::string>& files) {
    for (const auto& file : files) {
        std::string found;
        forEachEntryInGroup(readSmallFile(file), "Default Applications",
                            [&](const std::string& key, const std::string& value) {
                                if (key != mimeType)
                                    return false;
                                found = trimmed(value.substr(0, value.find(';')));
                                return true;
                            });
        if (!found.empty())
            return found;
    }
    return {};
}

std::vector<std::string> mimeAppsFiles() {
    const std::string home = envOr("HOME", "");
    std::vector<std::string> configDirs{envOr("XDG_CONFIG_HOME", home + "/.config")};
    for (const auto& dir : splitPathList(envOr("XDG_CONFIG_DIRS", "/etc/xdg")))
        configDirs.push_back(dir);
    std::vector<std::string> files;
    for (const auto& dir : configDirs)
        files.push_back(dir + "/mimeapps.list");
    for (const auto& dir : xdgDataDirs())
        files.push_back(dir + "/applications/mimeapps.list");
    return files;
}

std::vector<std::string> xdgDataDirs() {
    std::vector<std::string> dirs{envOr("XDG_DATA_HOME", envOr("HOME", "") + "/.local/share")};
    for (const auto& dir : splitPathList(envOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share")))
        dirs.push_back(dir);
    return dirs;
}

std::string desktopFileExec(const std::string& desktopId,
                            const std::vector<std::string>& dataDirs) {
    if (desktopId.empty() || desktopId.find("..") != std::string::npos ||
        desktopId.find('/') != std::string::npos)
        return {};
    std::vector<std::string> candidates{desktopId};
    for (auto dash = desktopId.find('-'); dash != std::string::npos;
         dash = desktopId.find('-', dash + 1)) {
        std::string nested = candidates.back();
        nested[dash] = '/';
        candidates.push_back(nested);
    }
    for (const auto& dir : dataDirs)
        for (const auto& candidate : candidates) {
            const std::string path = dir + "/applications/" + candidate;
            if (QFileInfo(QString::fromStdString(path)).isFile())
                return execLineOf(readSmallFile(path));
        }
    return {};
}

std::string execLineOf(const std::string& desktopFileText) {
    std::string exec;
    forEachEntryInGroup(desktopFileText, "Desktop Entry",
                        [&](const std::string& key, const std::string& value) {
                            if (key != "Exec")
                                return false;
                            exec = unescapeDesktopValue(value);
                            return true;
                        });
    return exec;
}

} // namespace ombrix
