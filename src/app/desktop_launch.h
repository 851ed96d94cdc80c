#pragma once
// The command `ombrix` hands over to the desktop program's executable.

namespace ombrix {

// Replaces this process with the desktop program, passing `argv` on with
// argv[0] set to this command's path. Returns only when that fails, with the
// exit status after saying why.
int startDesktopProgram(char** argv);

} // namespace ombrix
