#pragma once
// One writer at a time for the files of a program directory: the desktop
// program for its whole life, or one command-line mode that writes while no
// desktop program runs. Two programs writing there would overwrite each
// other's files (the last save of obx.dat wins).

#include "platform/file_lock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace ombrix {

// Unopenable: a lock file could not be opened (no permission, a read-only
// file system...), which no other program can be blamed for.
enum class ClaimOutcome { Held, DesktopRunning, Busy, Unopenable };

class DirectoryClaim {
public:
    // The desktop program's claim, without waiting. DesktopRunning when
    // another desktop program, or for the moment a command, holds it.
    static DirectoryClaim forDesktop(const std::string& directory);
    // A writing command's claim. Refused at once while the desktop program
    // runs; behind another command it waits up to `wait` (calling `waiting`
    // once when it starts to), then gives up with Busy.
    static DirectoryClaim forCommand(const std::string& directory, std::chrono::milliseconds wait,
                                     const std::function<void()>& waiting);

    ClaimOutcome outcome() const { return outcome_; }
    bool held() const { return outcome_ == ClaimOutcome::Held; }
    // For Unopenable: which file, and what the system said.
    const std::filesystem::path& lockFile() const { return lockFile_; }
    std::error_code openError() const { return openError_; }

private:
    // False, with the outcome set, when `lock` stayed empty.
    bool took(std::optional<FileLock>& lock, std::filesystem::path file, ClaimOutcome refused);

    ClaimOutcome outcome_ = ClaimOutcome::Busy;
    std::filesystem::path lockFile_;
    std::error_code openError_;
    std::optional<FileLock> desktop_;
    std::optional<FileLock> command_;
};

// How long a writing command waits for another one.
std::chrono::milliseconds commandWait();

// Why an Unopenable claim failed, for the user: the file and the system's reason.
std::string unopenableLockText(const DirectoryClaim& claim);

} // namespace ombrix
