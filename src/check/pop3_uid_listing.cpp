#include "check/pop3_uid_listing.h"

#include <charconv>

namespace ombrix {

Pop3UidListing::Pop3UidListing(std::uint64_t first, int count)
    : first_(first), uids_(static_cast<std::size_t>(count)),
      listed_(static_cast<std::size_t>(count), 0), missing_(count) {}

void Pop3UidListing::feed(std::string_view bytes) {
    for (const char byte : bytes) {
        if (line_.size() < kMaxLineBytes)
            line_ += byte;
        if (byte == '\n') {
            takeLine(line_);
            line_.clear();
        }
    }
}

Pop3UidListing::Status Pop3UidListing::status() const {
    // A refused listing may end before its status line does.
    const std::string_view line = statusSeen_ ? statusLine_ : line_;
    if (line.starts_with("+OK"))
        return Status::Listed;
    if (line.size() >= 2 && line[1] == 'E')
        return Status::Refused;
    return Status::Unreadable;
}

// "n id" with n in decimal; the terminator and lines of any other form are skipped.
void Pop3UidListing::takeLine(std::string_view line) {
    if (!statusSeen_) {
        statusSeen_ = true;
        statusLine_ = line;
        return;
    }
    const std::size_t space = line.find(' ');
    if (space == 0 || space == std::string_view::npos)
        return;
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + space, number);
    if (error != std::errc{} || end != line.data() + space || number < first_)
        return;
    const std::uint64_t index = number - first_;
    if (index >= uids_.size() || listed_[index] != 0)
        return; // not kept, or listed twice: the first line counts
    listed_[index] = 1;
    uids_[index] = line.substr(space + 1);
    --missing_;
}

} // namespace ombrix
