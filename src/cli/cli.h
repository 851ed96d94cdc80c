#pragma once
// The headless front end: the command-line modes on the same core and the
// same files as the desktop program, for scripts, status bars and tests.

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ombrix {

inline constexpr int kExitUsage = 2;
// A writing mode found the program directory held by the desktop program, or
// by another writing mode for longer than it waits.
inline constexpr int kExitDirectoryBusy = 3;

// A run's accounts need passwords that are only in the keyring, and no
// keyring answers (cron or ssh without a session bus).
inline constexpr int kExitNoKeyring = 2;

struct CliStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

// A wrong argument: reported in one line, exit code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No keyring for the passwords only there: one line, exit kExitNoKeyring.
class KeyringMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CliCommand;

struct CliRequest {
    std::optional<std::string> directory; // --dir
    std::optional<int> language;          // --lang: 0 German, 1 English
    const CliCommand* command = nullptr;  // none: start the desktop program
    std::vector<std::string> arguments;   // what follows the command, minus --dir/--lang
};

// --dir and --lang anywhere, the first command name picks the command, every
// other argument belongs to it. Throws UsageError.
CliRequest parseCommandLine(const std::vector<std::string>& arguments);

// Parses and runs. Nothing when the arguments name no command (the desktop
// program's case; --lang has been applied by then).
std::optional<int> runCli(const std::vector<std::string>& arguments, CliStreams& io);

} // namespace ombrix
