#pragma once
// The application object: the Qt application, the message boxes, the program
// directory and the main window, run for the life of the process.

#include <optional>
#include <string>

namespace ombrix {

class CCheckerApp {
public:
    // Runs the desktop program until Quit; returns the exit code. Without a
    // display it prints one line saying so and returns 1.
    int run(int& argc, char** argv, const std::optional<std::string>& directory);
};

// A display the Qt platform can open: X11 or Wayland, or a platform chosen
// through QT_QPA_PLATFORM.
bool displayAvailable();

} // namespace ombrix
