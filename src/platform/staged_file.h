#pragma once
// The new content of a file, handed over piece by piece, that replaces the
// file only when committed: written to a temporary beside it, flushed to disk
// and renamed over it, so the file is never seen half-written. While the
// pieces equal the file that is there, nothing is written at all; a file
// whose bytes and mode would stay the same is left as it is.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ombrix {

class StagedFile {
public:
    StagedFile(std::filesystem::path target, std::filesystem::perms mode);
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    // A temporary that was never renamed is removed.
    ~StagedFile();

    // Appends to the new content. A failure is kept for commitStagedFiles.
    void write(std::string_view piece);

    const std::filesystem::path& target() const { return target_; }

private:
    friend std::error_code commitStagedFiles(std::span<StagedFile> files,
                                             const struct CommitSteps& steps);

    bool comparing() const { return old_ >= 0; }
    bool sameAsOld(std::string_view piece);
    void startWriting();
    void copyMatchedPrefix();
    void fail();
    // Settles the content: the temporary is flushed and closed, or the
    // target turned out unchanged.
    std::error_code finish();
    bool changed() const { return !temporary_.empty(); }
    std::error_code install();

    std::filesystem::path target_;
    std::filesystem::perms mode_;
    int old_ = -1; // the target, while the content still equals it
    std::uint64_t oldSize_ = 0;
    std::uint64_t matched_ = 0; // bytes handed over so far, all equal to the target's
    int temporaryFd_ = -1;
    std::string temporary_; // its name, until renamed
    std::error_code error_;
    std::vector<char> scratch_;
};

// What a caller does around the renames of files that only mean something
// together, such as keeping the old ones until every new one is in place.
struct CommitSteps {
    // Once every temporary is settled and some file is to be replaced, before
    // the first rename; an error ends the commit with the old files in place.
    std::function<std::error_code()> beforeRenames;
    // After each rename.
    std::function<void()> afterRename;
};

// Settles every file (temporaries written and flushed before the first
// rename, so a failure while writing leaves all the old files), then renames
// the changed ones one right after another and makes the renames durable.
// The first error is returned; no temporary is left behind.
std::error_code commitStagedFiles(std::span<StagedFile> files, const CommitSteps& steps = {});

// Makes the renames, links and removals in a directory durable; a directory
// that refuses fsync is no error.
void syncDirectory(const std::filesystem::path& directory);

} // namespace ombrix
