#pragma once
// A record of what the tray showed, for bug reports and desktop tests: with
// OMBRIX_TRAY_LOG=FILE every icon and tooltip change is appended to FILE as
// one line ("icon NewMail", "tooltip <text on one line>").

#include "core/run_host.h"

#include <string>

namespace ombrix {

void logTrayIcon(TrayIconKind icon);
void logTrayTooltip(const std::string& tooltip);

} // namespace ombrix
