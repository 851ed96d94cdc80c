#include "platform/display_bytes.h"

namespace ombrix {
namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at `i` (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (i + length > s.size())
        return 0;
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!isContinuation(static_cast<unsigned char>(s[i + k])))
            return 0;
    return length;
}

// windows-1252's characters for 0x80..0x9F; 0 where it defines none.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The character a byte stands for: windows-1252 where it defines one, else Latin-1.
char16_t windows1252Character(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F && kWindows1252High[c - 0x80] != 0)
        return kWindows1252High[c - 0x80];
    return c;
}

void appendUtf8(char16_t character, std::string& text) {
    if (character < 0x80) {
        text += static_cast<char>(character);
    } else if (character < 0x800) {
        text += static_cast<char>(0xC0 | (character >> 6));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (character >> 12));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    }
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes)
        appendUtf8(windows1252Character(static_cast<unsigned char>(byte)), text);
    return text;
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string displayText(std::string_view bytes) {
    return isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

bool readsAsC1Control(unsigned char byte) {
    return windows1252Character(byte) >= 0x80 && windows1252Character(byte) <= 0x9F;
}

} // namespace ombrix
