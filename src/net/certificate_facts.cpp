#include "net/certificate_facts.h"

#include <cctype>

namespace ombrix {

std::string fingerprintText(std::span<const unsigned char> digest) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char byte : digest) {
        if (!text.empty())
            text += ':';
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

bool isSha256Fingerprint(const std::string& text) {
    constexpr std::size_t kPairs = 32;
    if (text.size() != kPairs * 3 - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = i % 3 == 2;
        const auto c = static_cast<unsigned char>(text[i]);
        if (separator ? c != ':' : !std::isxdigit(c))
            return false;
    }
    return true;
}

} // namespace ombrix
