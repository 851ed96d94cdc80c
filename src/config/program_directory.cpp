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
    return directory;
}

} // namespace ombrix
