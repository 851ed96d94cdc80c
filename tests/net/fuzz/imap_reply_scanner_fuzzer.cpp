// libFuzzer entry: the first byte picks the reply the scanner waits for (a
// tagged completion or the greeting, continuation requests ending it or not)
// and the caller's buffer, the second how the server's bytes are chunked; the
// rest is what the server sent. Fed in chunks or whole, the scanner must end
// at the same byte with the same verdict, store the reply's bytes in order and
// never past the buffer, claim no more of a chunk than it got and all of one
// that did not end the reply, and hand back the line that ended it.

#include "net/reply_scanner.h"
#include "platform/ascii.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

using ombrix::fuzz::Chunker;
using ombrix::fuzz::require;

using ombrix::BoundedSink;
using ombrix::TaggedReplyScanner;

struct Outcome {
    bool ended = false;
    std::size_t consumed = 0; // of the whole input
    bool refused = false;
    bool continued = false;
    std::string completionLine;
    std::string stored;
};

struct Setup {
    std::string tag;
    bool tagged;
    TaggedReplyScanner::Continuation continuation;
    std::size_t capacity;
};

Outcome run(const Setup& setup, std::string_view reply, Chunker* chunker) {
    TaggedReplyScanner scanner(setup.tag, setup.tagged, setup.continuation);
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
    if (outcome.ended) {
        // An ended reply takes nothing more: the rest is the next reply's.
        const std::size_t before = sink.stored();
        require(scanner.feed(reply.substr(pos), sink) && scanner.consumed() == 0);
        require(sink.stored() == before);
    }
    outcome.consumed = pos;
    outcome.refused = scanner.refused();
    outcome.continued = scanner.continued();
    outcome.completionLine = scanner.completionLine();
    outcome.stored.assign(buffer.get(), sink.stored());
    return outcome;
}

bool same(const Outcome& a, const Outcome& b) {
    return a.ended == b.ended && a.consumed == b.consumed && a.refused == b.refused &&
           a.continued == b.continued && a.completionLine == b.completionLine &&
           a.stored == b.stored;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static constexpr std::size_t kCapacities[4] = {0, 5, 100, 1 << 16};
    const std::uint8_t mode = data[0];
    const Setup setup{ombrix::imapTag(1 + (mode >> 4) % 4), (mode & 1) != 0,
                      (mode & 2) != 0 ? TaggedReplyScanner::Continuation::EndsReply
                                      : TaggedReplyScanner::Continuation::Ignored,
                      kCapacities[(mode >> 2) & 3]};
    Chunker chunker(data[1]);
    const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

    const Outcome whole = run(setup, reply, nullptr);
    const Outcome chunked = run(setup, reply, &chunker);
    require(same(whole, chunked));

    // The buffer holds the reply's first bytes, as they came.
    require(whole.stored == reply.substr(0, std::min(whole.consumed, setup.capacity)));
    require(!whole.ended || !whole.completionLine.empty());
    if (!whole.ended)
        return 0;
    const std::string& line = whole.completionLine;
    require(line.size() <= TaggedReplyScanner::kMaxCompletionLine);
    if (line.size() < TaggedReplyScanner::kMaxCompletionLine) {
        // The completion is the last line of the reply and opens a line of it.
        require(line.back() == '\n');
        const std::string_view taken = reply.substr(0, whole.consumed);
        require(taken.ends_with(line));
        const std::size_t start = taken.size() - line.size();
        require(start == 0 || taken[start - 1] == '\n');
    }
    if (whole.continued) {
        require(setup.continuation == TaggedReplyScanner::Continuation::EndsReply);
        require(line.front() == '+' && !whole.refused);
        return 0;
    }
    const std::string pattern = setup.tagged ? setup.tag + " " : "* O";
    require(line.size() >= pattern.size() &&
            ombrix::equalsIgnoringCase(std::string_view(line).substr(0, pattern.size()), pattern));
    if (whole.refused) {
        require(setup.tagged && line.size() > pattern.size());
        const char status = ombrix::asciiUpper(line[pattern.size()]);
        require(status == 'N' || status == 'B');
    } else if (setup.tagged) {
        require(ombrix::equalsIgnoringCase(std::string_view(line).substr(pattern.size(), 2), "OK"));
    }
    return 0;
}
