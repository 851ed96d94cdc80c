#include "proto/imap_literal.h"

#include <charconv>

namespace ombrix {

std::optional<std::uint64_t> imapLiteralAnnounced(std::string_view line) {
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    if (!line.ends_with('}'))
        return std::nullopt;
    line.remove_suffix(1);
    if (line.ends_with('+'))
        line.remove_suffix(1);
    const std::size_t open = line.rfind('{');
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = line.substr(open + 1);
    const char* last = digits.data() + digits.size();
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(digits.data(), last, size);
    if (digits.empty() || error != std::errc{} || end != last)
        return std::nullopt;
    return size;
}

} // namespace ombrix
