#include "core/display_field.h"

#include "platform/display_bytes.h"

#include <cstdio>

namespace ombrix {

std::string displayField(std::string_view bytes) {
    std::string text = displayText(bytes);
    std::string field;
    field.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n' || c == '\t')
            field += ' ';
        else if (c < 0x20 || c == 0x7F)
            field += '?';
        else if (c == 0xC2 && i + 1 < text.size() &&
                 static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            field += '?'; // U+0080..U+009F, the C1 controls
            ++i;
        } else
            field += text[i];
    }
    return field;
}

std::string displayDate(std::uint8_t day, std::uint8_t month, std::int32_t year) {
    char text[40];
    if (month >= 1 && month <= 12)
        std::snprintf(text, sizeof text, "%02u.%02u.%04d", unsigned{day}, unsigned{month}, year);
    else
        std::snprintf(text, sizeof text, "%02u.%04d", unsigned{day}, year);
    return text;
}

} // namespace ombrix
