// libFuzzer entry: the first byte picks the chunk size, the second the
// capacity; the rest is the stream of an IMAP connection. However the stream
// is chunked, the responses handed on and the place the completion ends must
// be the same; no response is longer than the capacity, and a whole one is
// exactly the bytes of the stream it covers.

#include "proto/imap_response_splitter.h"
#include "support/fuzz_support.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ombrix::fuzz::require;

using ombrix::ImapResponseSplitter;

struct Taken {
    ImapResponseSplitter::Kind kind;
    std::string text;
    bool cut;
    bool operator==(const Taken&) const = default;
};

struct Outcome {
    std::vector<Taken> responses;
    std::optional<std::size_t> end; // in the whole stream
    bool operator==(const Outcome&) const = default;
};

Outcome split(std::string_view stream, std::size_t step, std::size_t capacity) {
    ImapResponseSplitter splitter(capacity);
    Outcome outcome;
    for (std::size_t pos = 0; pos < stream.size(); pos += step) {
        const std::string_view chunk = stream.substr(pos, step);
        const std::optional<std::size_t> consumed =
            splitter.feed(chunk, [&](const ImapResponseSplitter::Response& response) {
                require(response.text.size() <= capacity);
                outcome.responses.push_back(
                    {response.kind, std::string(response.text), response.cut});
            });
        if (consumed) {
            require(*consumed <= chunk.size());
            outcome.end = pos + *consumed;
            break;
        }
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t step = 1 + data[0] % 64;
    const std::size_t capacity = 1 + static_cast<std::size_t>(data[1]) * 4;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);

    const Outcome whole = split(stream, stream.size() + 1, capacity);
    require(split(stream, step, capacity) == whole);
    // Whole responses lie end to end from the stream's start.
    std::size_t at = 0;
    for (const Taken& taken : whole.responses) {
        if (taken.cut)
            return 0;
        require(stream.substr(at, taken.text.size()) == taken.text);
        at += taken.text.size();
    }
    if (whole.end)
        require(*whole.end == at);
    return 0;
}
