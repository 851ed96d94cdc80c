#pragma once
// Where the program the user started lives. The command `ombrix` runs the
// desktop program as an executable of its own, so that a command never loads
// the window's libraries, and hands it its own path as argv[0]: the autostart
// entry and the data files go by the command, not by the executable's image.

#include <string>

namespace ombrix {

// Remembers argv[0] when it names a file; call once at start, before threads.
void rememberProgramFile(const char* argv0);

// The absolute path of the command; without a remembered one, the running
// executable's.
const std::string& programFile();
std::string programFileDirectory();

} // namespace ombrix
