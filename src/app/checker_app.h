#pragma once
// The application object: the Qt application, the message boxes, the program
// directory and the main window, run for the life of the process.

#include <chrono>
#include <optional>
#include <string>

namespace ombrix {

class CCheckerApp {
public:
    // `started`: when the process began, the mark the first check counts its
    // 200 ms from.
    explicit CCheckerApp(std::chrono::steady_clock::time_point started) : started_(started) {}

    // Runs the desktop program until Quit; returns the exit code. Without a
    // display it prints one line saying so and returns 1.
    int run(int& argc, char** argv, const std::optional<std::string>& directory);

private:
    std::chrono::steady_clock::time_point started_;
};

// A display the Qt platform can open: X11 or Wayland, or a platform chosen
// through QT_QPA_PLATFORM.
bool displayAvailable();

} // namespace ombrix
