#include "core/run_host.h"

namespace ombrix {

// Worker thread.
BoxAnswer RunHost::messageBox(const std::string& text, BoxKind kind) {
    return ombrix::messageBox(text, kind);
}

} // namespace ombrix
