#include "proto/pop3_reply_values.h"

#include "platform/ascii.h"

#include <algorithm>
#include <charconv>

namespace ombrix {

std::uint32_t pop3ListSize(std::string_view reply) {
    const std::size_t first = reply.find(' ');
    if (first == std::string_view::npos)
        return 0;
    const std::size_t second = reply.find(' ', first + 1);
    if (second == std::string_view::npos)
        return 0;
    return pop3SizeValue(reply.substr(second + 1));
}

std::uint32_t pop3SizeValue(std::string_view digits) {
    std::uint32_t size = 0;
    const char* begin = digits.data();
    const auto [end, error] = std::from_chars(begin, begin + digits.size(), size);
    if (error == std::errc::result_out_of_range)
        return UINT32_MAX;
    return end == begin ? 0 : size;
}

std::optional<std::string_view> pop3Capability(std::string_view capaReply, std::string_view name) {
    if (!capaReply.starts_with("+OK"))
        return std::nullopt;
    // The status line is no capability.
    for (std::size_t pos = std::min(capaReply.find('\n'), capaReply.size()) + 1;
         pos < capaReply.size();) {
        const std::size_t end = std::min(capaReply.find('\n', pos), capaReply.size());
        std::string_view line = capaReply.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::string_view word = line.substr(0, line.find(' '));
        if (equalsIgnoringCase(word, name))
            return line.substr(std::min(line.size(), word.size() + 1));
    }
    return std::nullopt;
}

} // namespace ombrix
