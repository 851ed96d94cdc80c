#pragma once
// A scratch $XDG_RUNTIME_DIR for one test: a directory of ours that only we
// may enter, as the login session gives it, and the old value back after.

#include "support/temp_dir.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace ombrix::test {

class PrivateRuntimeDir {
public:
    PrivateRuntimeDir() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            saved_ = old;
        ::chmod(dir_.path().c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    }
    ~PrivateRuntimeDir() {
        if (saved_)
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
    PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
    PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }

private:
    TempDir dir_;
    std::optional<std::string> saved_;
};

} // namespace ombrix::test
