#include "check/pop3_uid_listing.h"

#include <charconv>

namespace ombrix {

namespace {

// Room for a typical id and its line end, so the buffer seldom grows.
constexpr std::size_t kTypicalIdBytes = 24;

} // namespace

Pop3UidListing::Pop3UidListing(std::uint64_t first, int count)
    : first_(first), spans_(static_cast<std::size_t>(count)),
      listed_(static_cast<std::size_t>(count), 0), missing_(count) {
    ids_.reserve(static_cast<std::size_t>(count) * kTypicalIdBytes);
}

// A line that lies whole in the bytes is read where it lies; only a line cut
// by the chunking, or one too long, goes through line_ (kept up to
// kMaxLineBytes: a longer line loses its end, line end included).
void Pop3UidListing::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        const std::size_t length = lf == std::string_view::npos ? bytes.size() : lf + 1;
        const std::string_view piece = bytes.substr(0, length);
        bytes.remove_prefix(length);
        if (line_.empty() && lf != std::string_view::npos && piece.size() <= kMaxLineBytes) {
            takeLine(piece);
            continue;
        }
        line_.append(piece.substr(0, kMaxLineBytes - line_.size()));
        if (lf != std::string_view::npos) {
            takeLine(line_);
            line_.clear();
        }
    }
}

std::string_view Pop3UidListing::uid(int i) const {
    const Span span = spans_[static_cast<std::size_t>(i)];
    return std::string_view(ids_).substr(span.offset, span.length);
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
    if (index >= spans_.size() || listed_[index] != 0)
        return; // not kept, or listed twice: the first line counts
    listed_[index] = 1;
    const std::string_view id = line.substr(space + 1);
    spans_[index] = {static_cast<std::uint32_t>(ids_.size()),
                     static_cast<std::uint32_t>(id.size())};
    ids_.append(id);
    --missing_;
}

} // namespace ombrix
