#include "oauth/provider_words.h"

#include <algorithm>

namespace ombrix::oauth {
namespace {

bool controlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// At most `limit` bytes, never ending inside a character's UTF-8 sequence.
std::string_view cut(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && continuationByte(text[end]))
        --end;
    return text.substr(0, end);
}

} // namespace

std::string providerReason(std::string_view error, const std::optional<std::string>& description) {
    std::string reason(cut(error, kMaxErrorCodeBytes));
    if (description && !description->empty())
        reason += ": " + std::string(cut(*description, kMaxDescriptionBytes));
    std::replace_if(reason.begin(), reason.end(), controlByte, ' ');
    return reason;
}

bool withoutControls(std::string_view text) {
    return std::none_of(text.begin(), text.end(), controlByte);
}

} // namespace ombrix::oauth
