#include "config/background_state_load.h"

namespace ombrix {

// The boxes are taken before the thread ends, and read only after the join.
BackgroundStateLoad::BackgroundStateLoad(LoadScope scope)
    : thread_([this, scope] {
          MessageBoxHold hold;
          loadState(scope);
          boxes_ = hold.take();
      }) {}

BackgroundStateLoad::~BackgroundStateLoad() {
    if (thread_.joinable())
        thread_.join();
}

void BackgroundStateLoad::finish() {
    if (!thread_.joinable())
        return;
    thread_.join();
    showHeldBoxes(boxes_);
    boxes_.clear();
}

} // namespace ombrix
