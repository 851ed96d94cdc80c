#pragma once
// Byte classes of the mail protocols, which are ASCII whatever the locale
// (std::isdigit and friends follow the locale and take no plain char).

#include <algorithm>
#include <string>
#include <string_view>

namespace ombrix {

constexpr bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool isAsciiLetterOrDigit(char c) {
    return isAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string asciiLowercase(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), asciiLower);
    return lower;
}

inline std::string asciiUppercase(std::string_view text) {
    std::string upper(text);
    std::ranges::transform(upper, upper.begin(), asciiUpper);
    return upper;
}

// Protocol keywords ("FETCH", "OK") compare without regard to ASCII case.
constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
}

// Where `word` first occurs in `text` at or after `from`, ASCII case aside;
// npos when it does not.
inline std::size_t findIgnoringCase(std::string_view text, std::string_view word,
                                    std::size_t from = 0) {
    if (from > text.size())
        return std::string_view::npos;
    const auto same = [](char x, char y) { return asciiUpper(x) == asciiUpper(y); };
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                   word.begin(), word.end(), same);
    return found == text.end() && !word.empty() ? std::string_view::npos
                                                : static_cast<std::size_t>(found - text.begin());
}

} // namespace ombrix
