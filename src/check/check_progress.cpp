#include "check/check_progress.h"

#include "core/run_flags.h"

namespace ombrix {

bool CheckProgress::dialogShown() const {
    if (windowHidden != 0)
        return false;
    host_.waitForWaitDialog();
    return true;
}

void CheckProgress::text(const std::string& line) {
    if (dialogShown())
        host_.setWaitText(line);
}

void CheckProgress::range(int low, int high) {
    if (dialogShown())
        host_.setWaitRange(low, high);
}

void CheckProgress::position(int value) {
    if (dialogShown())
        host_.setWaitPosition(value);
}

void CheckProgress::showButton() {
    if (dialogShown())
        host_.showWaitButton();
}

void CheckProgress::close() {
    if (dialogShown())
        host_.closeWaitDialog();
}

} // namespace ombrix
