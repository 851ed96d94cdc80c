#include "config/directory_claim.h"

#include "core/language.h"

#include <cstdlib>
#include <filesystem>

namespace ombrix {
namespace {

// The desktop program holds this one exclusively, a command shares it.
constexpr const char* kDesktopLockName = ".ombrix-desktop.lock";
// Commands that write take turns on this one.
constexpr const char* kCommandLockName = ".ombrix-command.lock";

constexpr std::chrono::milliseconds kCommandWait{60000};

std::filesystem::path lockPath(const std::string& directory, const char* name) {
    return std::filesystem::path(directory) / name;
}

} // namespace

bool DirectoryClaim::took(std::optional<FileLock>& lock, std::filesystem::path file,
                          ClaimOutcome refused) {
    if (lock)
        return true;
    outcome_ = openError_ ? ClaimOutcome::Unopenable : refused;
    if (openError_)
        lockFile_ = std::move(file);
    return false;
}

DirectoryClaim DirectoryClaim::forDesktop(const std::string& directory) {
    DirectoryClaim claim;
    const std::filesystem::path file = lockPath(directory, kDesktopLockName);
    claim.desktop_ = FileLock::tryLock(file, LockKind::Exclusive, claim.openError_);
    if (claim.took(claim.desktop_, file, ClaimOutcome::DesktopRunning))
        claim.outcome_ = ClaimOutcome::Held;
    return claim;
}

DirectoryClaim DirectoryClaim::forCommand(const std::string& directory,
                                          std::chrono::milliseconds wait,
                                          const std::function<void()>& waiting) {
    DirectoryClaim claim;
    const std::filesystem::path desktopFile = lockPath(directory, kDesktopLockName);
    claim.desktop_ = FileLock::tryLock(desktopFile, LockKind::Shared, claim.openError_);
    if (!claim.took(claim.desktop_, desktopFile, ClaimOutcome::DesktopRunning))
        return claim;
    const std::filesystem::path commandFile = lockPath(directory, kCommandLockName);
    claim.command_ = FileLock::tryLock(commandFile, LockKind::Exclusive, claim.openError_);
    if (!claim.command_ && !claim.openError_) {
        if (waiting)
            waiting();
        claim.command_ =
            FileLock::lockWithin(commandFile, LockKind::Exclusive, wait, claim.openError_);
    }
    if (claim.took(claim.command_, commandFile, ClaimOutcome::Busy))
        claim.outcome_ = ClaimOutcome::Held;
    else
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

std::string unopenableLockText(const DirectoryClaim& claim) {
    return Text("die Sperrdatei ", "cannot open the lock file ") + claim.lockFile().string() +
           Text(" lässt sich nicht öffnen: ", ": ") + claim.openError().message() +
           Text(". Prüfen Sie die Rechte des Programmverzeichnisses und ob es beschreibbar ist.",
                ". Check the permissions of the program directory and that it is writable.");
}

} // namespace ombrix
