#include "platform/user_dirs.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrix {

std::filesystem::path userConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "") / ".config";
}

namespace {

// Our own, a real directory (no link), and closed to group and others: a
// socket there cannot be taken over or listened at by another user.
bool isPrivateDirectory(const std::filesystem::path& directory) {
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

std::optional<std::filesystem::path> privateRuntimeDirectory() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg == '/' && isPrivateDirectory(xdg))
        return std::filesystem::path(xdg);
    const std::filesystem::path fallback =
        std::filesystem::path("/tmp") / ("ombrix-" + std::to_string(::getuid()));
    ::mkdir(fallback.c_str(), S_IRWXU); // an existing one is judged below
    if (isPrivateDirectory(fallback))
        return fallback;
    return std::nullopt;
}

} // namespace ombrix
