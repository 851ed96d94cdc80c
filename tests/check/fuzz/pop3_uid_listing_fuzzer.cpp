// libFuzzer entry: the first byte picks which messages the list keeps, the
// second how the listing is chunked; the rest is the UIDL reply. Chunked or
// whole, the listing must read the same status and the same ids; an id is
// the text after a line's first blank as the reply holds it (cut at the line
// limit), and a listing that misses a message has no id for it.

#include "check/pop3_uid_listing.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using ombrix::fuzz::Chunker;
using ombrix::fuzz::require;

using ombrix::Pop3UidListing;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint64_t first = 1 + (data[0] & 7);
    const int count = data[0] >> 3;
    Chunker chunker(data[1]);
    const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

    Pop3UidListing whole(first, count);
    whole.feed(reply);
    Pop3UidListing chunked(first, count);
    for (std::size_t pos = 0; pos < reply.size();) {
        const std::size_t length = std::min(chunker.next(), reply.size() - pos);
        chunked.feed(reply.substr(pos, length));
        pos += length;
    }

    require(whole.status() == chunked.status() && whole.complete() == chunked.complete());
    switch (whole.status()) {
    case Pop3UidListing::Status::Listed:
        require(reply.starts_with("+OK"));
        break;
    case Pop3UidListing::Status::Refused:
        require(reply.size() >= 2 && reply[1] == 'E');
        break;
    case Pop3UidListing::Status::Unreadable:
        break;
    }
    bool anyMissing = false;
    for (int i = 0; i < count; ++i) {
        const std::string_view uid = whole.uid(i);
        require(uid == chunked.uid(i));
        anyMissing = anyMissing || uid.empty();
        if (uid.empty())
            continue;
        // The id follows a blank in the reply, and is cut to the line limit.
        require(uid.size() < 1000);
        const std::size_t at = reply.find(std::string(" ") + std::string(uid));
        require(at != std::string_view::npos);
        require(uid.find('\n') == std::string_view::npos || uid.back() == '\n');
    }
    require(whole.complete() || anyMissing);
    return 0;
}
