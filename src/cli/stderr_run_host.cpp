#include "cli/stderr_run_host.h"

#include "cli/terminal_text.h"

#include <ostream>

namespace ombrix {

void StderrRunHost::setTrayTooltip(const std::string& text) {
    print(text);
}

void StderrRunHost::setWaitText(const std::string& text) {
    print(text);
}

void StderrRunHost::armRunDone(int /*delayMs*/) {
    runDone_ = true;
}

// The tooltip repeats itself for every account; one line per change is enough.
void StderrRunHost::print(const std::string& text) {
    const std::lock_guard lock(mutex_);
    if (text == lastLine_)
        return;
    lastLine_ = text;
    err_ << terminalLine(text) << '\n';
}

} // namespace ombrix
