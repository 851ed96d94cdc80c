#include "platform/user_dirs.h"

#include <cstdlib>

namespace ombrix {

std::filesystem::path userConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "") / ".config";
}

} // namespace ombrix
