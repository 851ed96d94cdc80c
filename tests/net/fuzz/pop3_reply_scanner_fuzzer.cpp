// libFuzzer entry: the first byte picks the reply the scanner waits for (one
// line, a dot-terminated listing, or a TOP reply), the caller's buffer and the
// listed size; the second how the server's bytes are chunked; the rest is
// what the server sent. The scanner must end where the reply ends (one line:
// its first line end; a listing or TOP reply: its terminator line; a refusal:
// its line end), store exactly the reply's bytes (a TOP reply's without the
// doubled dots) and never past the buffer, claim no more of a chunk than it
// got and all of one that did not end the reply, and end a reply split in
// chunks where it ends the whole one. Only a listing may end sooner, by its
// count or at the chunk that shows it refused.

#include "net/reply_scanner.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

using ombrix::fuzz::Chunker;
using ombrix::fuzz::require;

using ombrix::BoundedSink;
using ombrix::LineReplyScanner;

enum class Kind { SingleLine, DotList, Top };

struct Setup {
    Kind kind;
    std::size_t capacity;
    std::uint32_t expectedSize;
};

struct Outcome {
    bool ended = false;
    std::size_t consumed = 0; // of the whole input
    std::string stored;
};

Outcome run(const Setup& setup, std::string_view reply, Chunker* chunker) {
    LineReplyScanner scanner(setup.kind == Kind::SingleLine, setup.kind == Kind::DotList,
                             setup.expectedSize);
    // Exactly the capacity, so that AddressSanitizer sees a byte put past it.
    const auto buffer = std::make_unique<char[]>(setup.capacity);
    BoundedSink sink(std::span<char>(buffer.get(), setup.capacity));
    Outcome outcome;
    std::size_t pos = 0;
    while (pos < reply.size() && !outcome.ended) {
        const std::size_t length =
            chunker ? std::min(chunker->next(), reply.size() - pos) : reply.size() - pos;
        outcome.ended = scanner.feed(reply.substr(pos, length), sink);
        require(scanner.consumed() <= length);
        require(outcome.ended || scanner.consumed() == length);
        pos += scanner.consumed();
        require(sink.stored() <= setup.capacity);
    }
    outcome.consumed = pos;
    outcome.stored.assign(buffer.get(), sink.stored());
    return outcome;
}

// What a TOP reply's bytes are without the dot the server doubled at the
// start of a line.
std::string undoubled(std::string_view bytes) {
    std::string out;
    bool dotOpenedLine = false;
    for (const char c : bytes) {
        if (dotOpenedLine && c == '.') {
            dotOpenedLine = false;
            continue;
        }
        dotOpenedLine = c == '.' && out.size() >= 2 && out.ends_with("\r\n");
        out += c;
    }
    return out;
}

// Where the reply ends by its own bytes (past the line that ends it), if it does.
std::optional<std::size_t> replyEnd(Kind kind, std::string_view reply) {
    const auto past = [&](std::string_view what) -> std::optional<std::size_t> {
        const std::size_t at = reply.find(what);
        if (at == std::string_view::npos)
            return std::nullopt;
        return at + what.size();
    };
    const bool refusal = reply.starts_with("-E");
    if (kind == Kind::SingleLine || (refusal && kind != Kind::SingleLine))
        return past("\r\n");
    const std::optional<std::size_t> terminator = past("\r\n.\r\n");
    if (kind == Kind::DotList && reply.starts_with(".\r\n"))
        return 3;
    return terminator;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static constexpr std::size_t kCapacities[4] = {0, 6, 100, 1 << 16};
    // Below 3 no listing ends by count.
    static constexpr std::uint32_t kSizes[8] = {0, 2, 3, 4, 40, 300, 5000, 300000};
    const std::uint8_t mode = data[0];
    const Kind kind = mode % 3 == 0 ? Kind::SingleLine : mode % 3 == 1 ? Kind::DotList : Kind::Top;
    const Setup setup{kind, kCapacities[(mode >> 2) & 3], kSizes[(mode >> 4) & 7]};
    Chunker chunker(data[1]);
    const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

    const Outcome whole = run(setup, reply, nullptr);
    const Outcome chunked = run(setup, reply, &chunker);
    const std::optional<std::size_t> end = replyEnd(kind, reply);

    // A listing ends early only by design: by its count, or at the end of the
    // chunk that shows a refusal; the whole reply is one chunk.
    const bool mayEndSooner =
        kind == Kind::DotList && (setup.expectedSize >= 3 || reply.starts_with("-E"));
    if (mayEndSooner) {
        require(!end || (whole.ended && whole.consumed <= *end));
        require(!end || (chunked.ended && chunked.consumed <= *end));
    } else {
        require(whole.ended == end.has_value() && chunked.ended == whole.ended);
        require(whole.consumed == (end ? *end : reply.size()));
        require(chunked.consumed == whole.consumed && chunked.stored == whole.stored);
    }
    for (const Outcome* outcome : {&whole, &chunked}) {
        const std::string_view taken = reply.substr(0, outcome->consumed);
        const std::string expected = kind == Kind::Top ? undoubled(taken) : std::string(taken);
        require(outcome->stored == expected.substr(0, setup.capacity));
    }
    return 0;
}
