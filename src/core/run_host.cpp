#include "core/run_host.h"

#include "core/run_flags.h"

#include <chrono>
#include <thread>

namespace ombrix {

// Worker thread.
BoxAnswer RunHost::messageBox(const std::string& text, BoxKind kind) {
    return ombrix::messageBox(text, kind);
}

// Worker thread. The dialog is created on the UI thread after the run has
// started; polling a flag in short steps is all the hand-shake needs.
void waitForWaitDialog() {
    while (windowHidden == 0 && waitDialogReady == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

} // namespace ombrix
