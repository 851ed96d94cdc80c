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
    // line end included, as the check stores it. Valid while the listing lives.
    std::string_view uid(int i) const;

private:
    void takeLine(std::string_view line);
    // Where a kept id lies in ids_.
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    // Ids are at most 70 characters; a longer line is kept only this far.
    static constexpr std::size_t kMaxLineBytes = 1000;

    std::uint64_t first_;
    // The kept ids one after another: a listing of 3000 known mails makes
    // no string of its own per mail.
    std::string ids_;
    std::vector<Span> spans_;
    std::vector<std::uint8_t> listed_;
    int missing_;
    std::string line_; // the line being read, up to kMaxLineBytes
    std::string statusLine_;
    bool statusSeen_ = false;
};

} // namespace ombrix
