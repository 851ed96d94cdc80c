// libFuzzer entry: the first byte picks the message the verification asks
// about; the rest is the server's reply (UIDL n, STAT or TOP). A reply names
// the message only in its "+OK n " opening; the id read from it is the tail
// of the reply after its last blank; a count has at most ten digits; a TOP
// reply's subject has no line feed left.

#include "delete/pop3_replies.h"
#include "support/fuzz_support.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using ombrix::fuzz::require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint32_t position = data[0] == 0xff ? UINT32_MAX : data[0] % 12;
    const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string number = ombrix::pop3MessageNumber(position);
    std::uint64_t back = 0;
    std::from_chars(number.data(), number.data() + number.size(), back);
    require(back == std::uint64_t{position} + 1);

    const bool names = ombrix::pop3ReplyNames(reply, number);
    require(!names || reply.starts_with("+OK " + number + " "));

    const std::optional<std::string> uid = ombrix::pop3CurrentUid(reply, number);
    if (reply.starts_with("-E")) {
        require(uid == std::string(ombrix::kNoUidl));
    } else if (uid) {
        require(names && !uid->empty() && reply.ends_with(*uid));
        require(uid->find(' ') == std::string::npos);
        require(uid->front() != '\r' && uid->front() != '\n');
        require(ombrix::pop3UidPasses(*uid, *uid));
    }

    require(ombrix::pop3StatCount(reply) <= 9999999999u);
    require(ombrix::pop3TopSubject(reply).find('\n') == std::string::npos);
    return 0;
}
