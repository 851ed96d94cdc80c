#include "app/desktop_launch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

// Plain system calls and fixed buffers only: the command `ombrix` is linked
// without the C++ library, whose loading would cost each start a few
// milliseconds.

namespace ombrix {
namespace {

// Where the executable `relative` to `directory` (which ends in '/') lies,
// its leading "../" resolved; false when the path does not fit `to`.
bool locate(char (&to)[PATH_MAX], std::string_view directory, std::string_view relative) {
    while (relative.starts_with("../") && directory.size() > 1) {
        relative.remove_prefix(3);
        directory.remove_suffix(1);
        directory = directory.substr(0, directory.rfind('/') + 1);
    }
    const int written = std::snprintf(to, sizeof to, "%.*s%.*s", int(directory.size()),
                                      directory.data(), int(relative.size()), relative.data());
    return written > 0 && written < int(sizeof to);
}

bool isRegularFile(const char* path) {
    struct stat status {};
    return ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

// Replaces this process with `name`, found beside the running executable (the
// build tree, or libexec for the executables there) or at `fromBindir`
// (installed). Returns only when neither starts, after saying so.
int startSibling(const char* name, const char* fromBindir, const char* what, char** argv) {
    static char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    self[length > 0 ? length : 0] = '\0';
    const std::string_view selfPath(self);
    const std::string_view directory = selfPath.substr(0, selfPath.rfind('/') + 1);
    static char candidates[2][PATH_MAX];
    const bool found[2] = {locate(candidates[0], directory, name),
                           locate(candidates[1], directory, fromBindir)};
    int failure = ENOENT;
    for (int k = 0; k < 2; ++k) {
        if (!found[k] || !isRegularFile(candidates[k]))
            continue;
        argv[0] = self;
        ::execv(candidates[k], argv);
        failure = errno;
    }
    std::fprintf(stderr, "ombrix: cannot start the %s %s: %s\n", what, candidates[1],
                 std::strerror(failure));
    return 1;
}

} // namespace

bool startsDesktop(int argc, const char* const* argv) {
    // Each option is followed by its value, whatever that looks like.
    for (int i = 1; i < argc; i += 2) {
        const std::string_view argument = argv[i];
        if ((argument != "--dir" && argument != "--lang") || i + 1 == argc)
            return false;
    }
    return true;
}

int startDesktopProgram(char** argv) {
    return startSibling("ombrix-desktop", OMBRIX_DESKTOP_FROM_BINDIR, "desktop program", argv);
}

int startCommandLine(char** argv) {
    return startSibling("ombrix-cli", OMBRIX_CLI_FROM_BINDIR, "command line", argv);
}

} // namespace ombrix
