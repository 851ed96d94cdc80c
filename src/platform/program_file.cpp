#include "platform/program_file.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace ombrix {
namespace {

std::string& remembered() {
    static std::string path;
    return path;
}

std::string runningImage() {
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).string();
}

} // namespace

void rememberProgramFile(const char* argv0) {
    if (!argv0 || std::string_view(argv0).find('/') == std::string_view::npos)
        return; // a bare name was looked up in PATH: the image is the better guess
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(argv0, ignored);
    if (!absolute.empty())
        remembered() = absolute.lexically_normal().string();
}

const std::string& programFile() {
    std::string& path = remembered();
    if (path.empty())
        path = runningImage();
    return path;
}

std::string programFileDirectory() {
    return std::filesystem::path(programFile()).parent_path().string();
}

} // namespace ombrix
