#pragma once
// Byte classes of the mail protocols, which are ASCII whatever the locale
// (std::isdigit and friends follow the locale and take no plain char).

namespace ombrix {

constexpr bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace ombrix
