#include "app/desktop_launch.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace ombrix {

int startDesktopProgram(char** argv) {
    std::error_code ignored;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    const std::string selfPath = self.string();
    // Beside the command in the build tree; under libexec when installed.
    const std::filesystem::path candidates[] = {
        self.parent_path() / "ombrix-desktop",
        (self.parent_path() / OMBRIX_DESKTOP_FROM_BINDIR).lexically_normal(),
    };
    int failure = ENOENT;
    for (const auto& candidate : candidates) {
        if (!std::filesystem::is_regular_file(candidate, ignored))
            continue;
        argv[0] = const_cast<char*>(selfPath.c_str());
        execv(candidate.c_str(), argv);
        failure = errno;
    }
    std::cerr << "ombrix: cannot start the desktop program " << candidates[1].string() << ": "
              << std::strerror(failure) << '\n';
    return 1;
}

} // namespace ombrix
