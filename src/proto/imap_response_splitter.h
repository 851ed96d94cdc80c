#pragma once
// Cuts the stream of an IMAP connection into whole responses: a line, the
// literals it announces at its end ({n} or LITERAL+'s {n+}) and the lines it
// goes on with after them. Mail text inside a literal never ends a response,
// however it looks. Each response is kept up to a capacity; a longer one is
// handed on cut, its rest counted off but dropped. Pure logic, no sockets.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

class ImapResponseSplitter {
public:
    enum class Kind { Untagged, Continuation, Tagged };

    struct Response {
        Kind kind;
        // The response, line ends and literals included: its first `capacity`
        // bytes. Valid only during the call that hands it on.
        std::string_view text;
        bool cut; // longer than the capacity
    };
    using Visitor = std::function<void(const Response&)>;

    explicit ImapResponseSplitter(std::size_t capacity) : capacity_(capacity) {}

    // Hands each response that ends in the chunk to visit, in order. Stops
    // after the first tagged one (a completion): returns how many bytes of the
    // chunk were read up to its end, the rest belonging to what follows.
    // Returns none when the chunk ended before a completion.
    std::optional<std::size_t> feed(std::string_view chunk, const Visitor& visit);

private:
    void keep(std::string_view bytes);
    Kind kindOfCurrent() const;

    std::size_t capacity_;
    std::string current_; // the response so far, up to the capacity
    bool cut_ = false;
    std::string lineTail_; // the last bytes of the current line
    std::uint64_t literalLeft_ = 0;
};

} // namespace ombrix
