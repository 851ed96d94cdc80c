#pragma once
// The wait dialog as the check run sees it: every update waits until the
// dialog is up and is left out while the main window is hidden.

#include "core/run_host.h"

#include <string>

namespace ombrix {

class CheckProgress {
public:
    explicit CheckProgress(RunHost& host) : host_(host) {}

    // Each runs on the check thread.
    void text(const std::string& line);
    void range(int low, int high);
    void position(int value);
    void showButton();
    void close();

    RunHost& host() { return host_; }

private:
    bool dialogShown() const;

    RunHost& host_;
};

} // namespace ombrix
