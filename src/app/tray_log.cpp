#include "app/tray_log.h"

#include "core/display_field.h"

#include <cstdlib>
#include <fstream>

namespace ombrix {
namespace {

void appendLine(const std::string& line) {
    const char* path = std::getenv("OMBRIX_TRAY_LOG");
    if (!path || !*path)
        return;
    std::ofstream(path, std::ios::app) << line << '\n';
}

const char* iconName(TrayIconKind icon) {
    switch (icon) {
    case TrayIconKind::Idle:
        return "Idle";
    case TrayIconKind::Checking:
        return "Checking";
    case TrayIconKind::NewMail:
        return "NewMail";
    case TrayIconKind::Failure:
        return "Failure";
    }
    return "?";
}

} // namespace

void logTrayIcon(TrayIconKind icon) {
    appendLine(std::string("icon ") + iconName(icon));
}

void logTrayTooltip(const std::string& tooltip) {
    appendLine("tooltip " + displayField(tooltip));
}

} // namespace ombrix
