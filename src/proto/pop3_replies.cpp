#include "proto/pop3_replies.h"

#include <charconv>

namespace ombrix {

std::uint32_t pop3ListSize(std::string_view reply) {
    const std::size_t first = reply.find(' ');
    if (first == std::string_view::npos)
        return 0;
    const std::size_t second = reply.find(' ', first + 1);
    if (second == std::string_view::npos)
        return 0;
    std::uint32_t size = 0;
    const char* begin = reply.data() + second + 1;
    const auto [end, error] = std::from_chars(begin, reply.data() + reply.size(), size);
    if (error == std::errc::result_out_of_range)
        return UINT32_MAX;
    return end == begin ? 0 : size;
}

} // namespace ombrix
