// libFuzzer entry: the first byte picks the tag in flight, the second how the
// server's bytes are chunked; the rest is what the server sent while idling.
// Chunked or whole, the line reader must hand out the same events, one per
// line at most; without literals and long lines, each line's own. A line is
// a completion or refusal only when it opens with the tag, and the numbers
// read from an EXAMINE reply are digits.

#include "idle/idle_responses.h"
#include "platform/ascii.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ombrix::fuzz::Chunker;
using ombrix::fuzz::require;

using ombrix::IdleEvent;
using ombrix::IdleLineReader;

bool digitsOnly(std::string_view text) {
    return std::ranges::all_of(text, ombrix::isAsciiDigit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static const std::string kTags[4] = {"", "a001", "a012", "A7"};
    const std::string& tag = kTags[data[0] & 3];
    Chunker chunker(data[1]);
    const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

    std::vector<IdleEvent> whole;
    IdleLineReader wholeReader;
    wholeReader.expectTag(tag);
    wholeReader.feed(reply, [&](IdleEvent event) { whole.push_back(event); });

    std::vector<IdleEvent> chunked;
    IdleLineReader chunkedReader;
    chunkedReader.expectTag(tag);
    for (std::size_t pos = 0; pos < reply.size();) {
        const std::size_t length = std::min(chunker.next(), reply.size() - pos);
        chunkedReader.feed(reply.substr(pos, length),
                           [&](IdleEvent event) { chunked.push_back(event); });
        pos += length;
    }
    require(whole == chunked);
    require(whole.size() <= static_cast<std::size_t>(std::ranges::count(reply, '\n')));

    // Line by line, as a reply without literals is read.
    std::vector<IdleEvent> lineByLine;
    bool plain = reply.find('{') == std::string_view::npos;
    for (std::string_view rest = reply; plain;) {
        const std::size_t lf = rest.find('\n');
        if (lf == std::string_view::npos)
            break;
        std::string_view line = rest.substr(0, lf);
        rest.remove_prefix(lf + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        plain = line.size() < IdleLineReader::kMaxLine;
        const IdleEvent event = ombrix::classifyIdleLine(line, tag);
        lineByLine.push_back(event);
        if (event == IdleEvent::Completed || event == IdleEvent::Refused) {
            require(!tag.empty() && line.size() > tag.size() && line[tag.size()] == ' ');
            require(ombrix::equalsIgnoringCase(line.substr(0, tag.size()), tag));
        }
        if (event == IdleEvent::MailboxChanged || event == IdleEvent::Bye)
            require(line.starts_with("* "));
        if (event == IdleEvent::Continuation)
            require(line.starts_with("+"));
    }
    if (plain)
        require(whole == lineByLine);

    const ombrix::MailboxMark mark = ombrix::readMailboxMark(reply);
    require(digitsOnly(mark.exists) && digitsOnly(mark.uidNext));
    require(!ombrix::listsCapability(reply, "IDLE") ||
            ombrix::findIgnoringCase(reply, "IDLE") != std::string_view::npos);
    return 0;
}
