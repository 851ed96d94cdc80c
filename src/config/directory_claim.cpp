#include "config/directory_claim.h"

#include <cstdlib>
#include <filesystem>

namespace ombrix {
namespace {

// The desktop program holds this one exclusively, a command shares it.
constexpr const char* kDesktopLockName = ".ombrix-desktop.lock";
// Commands that write take turns on this one.
constexpr const char* kCommandLockName = ".ombrix-command.lock";

constexpr std::chrono::milliseconds kCommandWait{60000};

std::filesystem::path lockFile(const std::string& directory, const char* name) {
    return std::filesystem::path(directory) / name;
}

} // namespace

DirectoryClaim DirectoryClaim::forDesktop(const std::string& directory) {
    DirectoryClaim claim;
    claim.desktop_ = FileLock::tryLock(lockFile(directory, kDesktopLockName), LockKind::Exclusive);
    claim.outcome_ = claim.desktop_ ? ClaimOutcome::Held : ClaimOutcome::DesktopRunning;
    return claim;
}

DirectoryClaim DirectoryClaim::forCommand(const std::string& directory,
                                          std::chrono::milliseconds wait,
                                          const std::function<void()>& waiting) {
    DirectoryClaim claim;
    claim.desktop_ = FileLock::tryLock(lockFile(directory, kDesktopLockName), LockKind::Shared);
    if (!claim.desktop_) {
        claim.outcome_ = ClaimOutcome::DesktopRunning;
        return claim;
    }
    const std::filesystem::path commandFile = lockFile(directory, kCommandLockName);
    claim.command_ = FileLock::tryLock(commandFile, LockKind::Exclusive);
    if (!claim.command_) {
        if (waiting)
            waiting();
        claim.command_ = FileLock::lockWithin(commandFile, LockKind::Exclusive, wait);
    }
    claim.outcome_ = claim.command_ ? ClaimOutcome::Held : ClaimOutcome::Busy;
    if (!claim.held())
        claim.desktop_.reset();
    return claim;
}

// OMBRIX_COMMAND_WAIT_MS shortens or lengthens the wait for scripts that
// cannot afford a minute.
std::chrono::milliseconds commandWait() {
    if (const char* text = std::getenv("OMBRIX_COMMAND_WAIT_MS"); text && *text) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end && *end == '\0' && value >= 0)
            return std::chrono::milliseconds(value);
    }
    return kCommandWait;
}

} // namespace ombrix
