// libFuzzer entry: the first byte picks the UID the verification asks for and
// where the reply is cut; the rest is the server's reply. A header found in a
// reply cut short must be the one the whole reply gives (the cut can only
// lose it, never make up another); a literal header is bytes of the reply; a
// SEARCH, a CAPABILITY and a stored UID are read from what they say.

#include "delete/imap_replies.h"
#include "platform/ascii.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ombrix::fuzz::require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint32_t uid = 1 + (data[0] & 15);
    const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = reply.size() * (data[0] >> 4) / 15;

    const std::optional<std::string> body = ombrix::imapFetchedBody(reply, uid);
    const std::optional<std::string> cutBody = ombrix::imapFetchedBody(reply.substr(0, cut), uid);
    require(!cutBody || cutBody == body);
    if (body)
        require(body->size() <= reply.size());

    if (const auto numbers = ombrix::imapSearchNumbers(reply)) {
        require(ombrix::findIgnoringCase(reply, "SEARCH") != std::string_view::npos);
        require(numbers->size() <= static_cast<std::size_t>(std::ranges::count(reply, ' ')));
    }
    for (const std::string_view capability : {"IDLE", "UIDPLUS", "MOVE"})
        require(!ombrix::imapAnnounces(reply, capability) ||
                ombrix::findIgnoringCase(reply, capability) != std::string_view::npos);

    // A stored UID is one number from 1 up, written in its digits.
    const std::string_view stored = reply.substr(0, std::min<std::size_t>(reply.size(), 16));
    if (const std::optional<std::uint32_t> number = ombrix::imapUidNumber(stored)) {
        std::string digits(stored);
        std::erase(digits, ' ');
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
        require(*number != 0 && digits == std::to_string(*number));
    }
    return 0;
}
