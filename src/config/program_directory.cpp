#include "config/program_directory.h"

#include "platform/autostart.h"
#include "platform/user_dirs.h"

#include <filesystem>

namespace ombrix {

std::string findProgramDirectory(const std::optional<std::string>& dirArgument) {
    std::string directory;
    if (dirArgument && !dirArgument->empty())
        directory = *dirArgument;
    else if (auto fromAutostart = readAutostartDirectory())
        directory = *fromAutostart;
    else
        directory = (userConfigHome() / "ombrix").string();
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    // Absolute, so that the files stay where the user meant them whatever
    // the process's working directory becomes later (the window changes it),
    // and so that an autostart entry written from it works from anywhere.
    const std::filesystem::path absolute = std::filesystem::absolute(directory, ignored);
    return absolute.empty() ? directory : absolute.lexically_normal().string();
}

} // namespace ombrix
