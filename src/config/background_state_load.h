#pragma once
// The state files read on a thread of their own while the window is being
// built, so that the desktop program is ready that much sooner. Until
// finish() has returned, nothing else may touch what loadState fills: the
// account table, the settings, the scope of the load.

#include "config/state_store.h"
#include "platform/message_box.h"

#include <thread>
#include <vector>

namespace ombrix {

class BackgroundStateLoad {
public:
    // Starts loadState(scope) for programDirectory, with ombrix.conf already
    // read and the account slots cleared.
    explicit BackgroundStateLoad(LoadScope scope = LoadScope::Everything);
    // Waits for the load if finish() has not.
    ~BackgroundStateLoad();
    BackgroundStateLoad(const BackgroundStateLoad&) = delete;
    BackgroundStateLoad& operator=(const BackgroundStateLoad&) = delete;

    // Waits for the load, then shows on the calling thread the message boxes
    // the load had to show, in their order. Later calls return at once.
    void finish();

private:
    std::vector<HeldBox> boxes_;
    std::thread thread_;
};

} // namespace ombrix
