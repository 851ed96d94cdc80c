#include "app/desktop_launch.h"

// The command `ombrix`. It links nothing but the C++ runtime: the desktop
// program would otherwise load the command line's TLS and keyring libraries
// first, and a command the window's. It looks at the arguments only as far as
// telling the two apart; the program it hands over to reads them.
int main(int argc, char** argv) {
    if (ombrix::startsDesktop(argc, argv))
        return ombrix::startDesktopProgram(argv);
    return ombrix::startCommandLine(argv);
}
