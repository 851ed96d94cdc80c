#include "net/trust_files_stamp.h"

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace ombrix {

namespace {

// Longer than any file system's time stamp granularity (FAT's is 2 s).
constexpr std::int64_t kStampGranularityNs = 2'000'000'000;

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

TrustFilesStamp TrustFilesStamp::take(std::vector<std::string> paths) {
    TrustFilesStamp stamp;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    stamp.takenNs_ = nanoseconds(now);
    for (const std::string& path : paths) {
        FileStamp file;
        struct stat facts {};
        if (::stat(path.c_str(), &facts) == 0) {
            file = {true,
                    static_cast<std::uint64_t>(facts.st_dev),
                    static_cast<std::uint64_t>(facts.st_ino),
                    static_cast<std::int64_t>(facts.st_size),
                    nanoseconds(facts.st_mtim),
                    nanoseconds(facts.st_ctim)};
        }
        stamp.files_.push_back(file);
    }
    stamp.paths_ = std::move(paths);
    return stamp;
}

bool TrustFilesStamp::unchangedSince(const TrustFilesStamp& built) const {
    if (paths_ != built.paths_ || files_ != built.files_)
        return false;
    return std::ranges::none_of(files_, [&built](const FileStamp& file) {
        return file.exists &&
               std::max(file.modifiedNs, file.changedNs) >= built.takenNs_ - kStampGranularityNs;
    });
}

} // namespace ombrix
