#include "delete/pop3_replies.h"

#include "check/fetched_mail.h"

#include <charconv>

namespace ombrix {

namespace {

constexpr std::string_view kPositive = "+OK ";
// More than any mailbox could hold; longer runs of digits are not a count.
constexpr std::size_t kMaxCountDigits = 10;

} // namespace

std::string pop3MessageNumber(std::uint32_t position) {
    return std::to_string(std::uint64_t{position} + 1);
}

bool pop3ReplyNames(std::string_view reply, std::string_view number) {
    if (!reply.starts_with(kPositive))
        return false;
    const std::string_view rest = reply.substr(kPositive.size());
    return rest.starts_with(number) && rest.size() > number.size() && rest[number.size()] == ' ';
}

std::optional<std::string> pop3CurrentUid(std::string_view reply, std::string_view number) {
    if (reply.starts_with("-E"))
        return std::string(kNoUidl);
    if (!pop3ReplyNames(reply, number))
        return std::nullopt;
    const std::size_t lastBlank = reply.rfind(' ');
    const std::string_view uid = reply.substr(lastBlank + 1);
    if (uid.empty() || uid.starts_with('\r') || uid.starts_with('\n'))
        return std::nullopt;
    return std::string(uid);
}

bool pop3UidPasses(std::string_view current, std::string_view stored) {
    return current == stored;
}

std::uint64_t pop3StatCount(std::string_view reply) {
    if (!reply.starts_with(kPositive))
        return 0;
    const std::string_view digits = reply.substr(kPositive.size(), kMaxCountDigits);
    std::uint64_t count = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), count);
    return count;
}

std::string pop3TopSubject(std::string_view reply) {
    return listedSubjectOf(reply);
}

} // namespace ombrix
