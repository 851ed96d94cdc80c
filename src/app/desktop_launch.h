#pragma once
// The command `ombrix` hands over to one of the program's two executables:
// the desktop program or the command-line modes.

namespace ombrix {

// True when the arguments after argv[0] name no command: nothing but complete
// `--dir DIR` and `--lang de|en` pairs. Anything else, a missing value
// included, is for the command line to run or to reject; the desktop program
// checks the values itself.
bool startsDesktop(int argc, const char* const* argv);

// Replaces this process with the desktop program, passing `argv` on with
// argv[0] set to this command's path. Returns only when that fails, with the
// exit status after saying why.
int startDesktopProgram(char** argv);

// The same with the command-line modes' executable.
int startCommandLine(char** argv);

} // namespace ombrix
