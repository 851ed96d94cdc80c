#pragma once
// What the process's trusted certificate authorities are read from (the CA
// file and directories the TLS library's default paths name), as the file
// system describes them. A TLS context built from them may serve later
// connections only while none of them changed.

#include <cstdint>
#include <string>
#include <vector>

namespace ombrix {

class TrustFilesStamp {
public:
    // Stats each path now; a missing path is part of the stamp as well.
    static TrustFilesStamp take(std::vector<std::string> paths);
    TrustFilesStamp() = default;

    // Whether what a context read when `built` was taken is still what the
    // files hold. A file changed within a time stamp's granularity of the
    // reading would keep its stamp, so a file written shortly before `built`
    // never counts as unchanged.
    bool unchangedSince(const TrustFilesStamp& built) const;
    // Whether both stamps saw the same paths in the same state. A context
    // rebuilt only because the files were written too recently to tell
    // trusts what the one before it trusted, unless a file was rewritten
    // within its time stamps' granularity.
    bool sameFilesAs(const TrustFilesStamp& other) const {
        return paths_ == other.paths_ && files_ == other.files_;
    }

private:
    struct FileStamp {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

    std::vector<std::string> paths_;
    std::vector<FileStamp> files_;
    std::int64_t takenNs_ = 0; // wall clock, as the files' time stamps
};

} // namespace ombrix
