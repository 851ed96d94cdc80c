#pragma once
// The user's standard mail program, from the Exec= line of the desktop's
// default mailto handler: which program to start and with which arguments.

#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// The program part of a command line: from the start up to the end, or up to
// a space that comes before any double quote, or up to and including the
// second double quote. Quotes are kept.
std::string commandProgramPart(std::string_view command);

struct MailClientStart {
    std::string program;                // the program part without its quoting
    std::vector<std::string> arguments; // the rest, field codes removed
};

// The program part of `execLine` as the program (quotes and their backslash
// escapes undone) and the words after it as arguments, split as desktop
// entries quote them. Field codes (%u, %U, %f, ...) stand for a file or URL
// that this start does not pass: they are removed, "%%" becomes "%".
MailClientStart parseMailClientCommand(std::string_view execLine);

// Starts the program with its arguments, detached from this process. False
// when it could not be started (not found, not executable).
bool startDetached(const MailClientStart& start);

} // namespace ombrix
