// libFuzzer entry: the first byte says how the answer arrives (chunk lengths)
// and whether the stream ends after it; the rest is what the server sent. The
// client reads the answer after every chunk, so the answer must not depend on
// how the bytes arrived: an answer complete after some of them is the answer
// of all of them, one malformed stays malformed, and an ended stream leaves
// nothing incomplete.

#include "oauth/http_response.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using ombrix::fuzz::Chunker;
using ombrix::fuzz::require;

using ombrix::oauth::ResponseRead;
using ombrix::oauth::ResponseState;

bool sameAnswer(const ResponseRead& a, const ResponseRead& b) {
    return a.state == b.state && a.response.status == b.response.status &&
           a.response.location == b.response.location && a.response.body == b.response.body;
}

void checkRead(const ResponseRead& read, std::string_view received, bool ended) {
    require(!ended || read.state != ResponseState::Incomplete);
    if (read.state != ResponseState::Complete)
        return;
    require(read.response.status >= 0 && read.response.status <= 999);
    require(read.response.body.size() <= received.size());
    require(read.response.location.size() <= received.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Chunker chunker(data[0]);
    const bool ends = (data[0] & 8) != 0;
    const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);

    const ResponseRead open = ombrix::oauth::readHttpResponse(all, false);
    const ResponseRead ended = ombrix::oauth::readHttpResponse(all, true);
    checkRead(open, all, false);
    checkRead(ended, all, true);
    if (open.state != ResponseState::Incomplete)
        require(sameAnswer(open, ended));
    const ResponseRead& last = ends ? ended : open;

    // As the client reads: after each chunk, until the answer is there.
    for (std::size_t received = 0; received < all.size();) {
        received += std::min(chunker.next(), all.size() - received);
        const ResponseRead read = ombrix::oauth::readHttpResponse(all.substr(0, received), false);
        checkRead(read, all.substr(0, received), false);
        if (read.state == ResponseState::Incomplete)
            continue;
        require(sameAnswer(read, open) && sameAnswer(read, last));
        break;
    }
    return 0;
}
