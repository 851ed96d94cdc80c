#pragma once
// A POP3 UIDL listing read as it streams in, whatever its length. Each line
// "n id" names its own message, so an id lands on message n whatever order the
// server lists them in; only the ids of the messages the list can hold are
// kept. Pure logic, no sockets.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class Pop3UidListing {
public:
    enum class Status { Listed, Refused, Unreadable };

    // Keeps the ids of messages first .. first + count - 1.
    Pop3UidListing(std::uint64_t first, int count);

    // The next bytes of the listing, in order, chunked in any way.
    void feed(std::string_view bytes);

    // From the status line: "+OK" lists, a second character "E" refuses
    // (the "-ERR" case), anything else cannot be read.
    Status status() const;
    // Every kept message had its line.
    bool complete() const { return missing_ == 0; }
    // The id of message first + i: the text after the line's first blank, its
    // line end included, as the check stores it.
    const std::string& uid(int i) const { return uids_[static_cast<std::size_t>(i)]; }

private:
    void takeLine(std::string_view line);

    // Ids are at most 70 characters; a longer line is kept only this far.
    static constexpr std::size_t kMaxLineBytes = 1000;

    std::uint64_t first_;
    std::vector<std::string> uids_;
    std::vector<std::uint8_t> listed_;
    int missing_;
    std::string line_; // the line being read, up to kMaxLineBytes
    std::string statusLine_;
    bool statusSeen_ = false;
};

} // namespace ombrix
