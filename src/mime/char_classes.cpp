#include "mime/char_classes.h"

#include "platform/ascii.h"

#include <array>
#include <cstdint>

namespace ombrix::mime {
namespace {

enum ClassBit : std::uint8_t {
    kControl = 1,
    kWhiteSpace = 2,
    kHexDigit = 4,
    kLetterOrDigit = 8,
    kSpecial = 16,
};

constexpr std::array<std::uint8_t, 128> buildClassTable() {
    std::array<std::uint8_t, 128> table{};
    for (int c = 0; c < 32; ++c)
        table[c] |= kControl;
    table[127] |= kControl;
    for (char c : std::string_view(" \t\n\v\f\r"))
        table[static_cast<unsigned char>(c)] |= kWhiteSpace;
    for (char c : std::string_view("0123456789ABCDEF"))
        table[static_cast<unsigned char>(c)] |= kHexDigit;
    for (int c = '0'; c <= '9'; ++c)
        table[c] |= kLetterOrDigit;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] |= kLetterOrDigit;
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] |= kLetterOrDigit;
    for (char c : std::string_view("()<>@,;:\\\"[]=."))
        table[static_cast<unsigned char>(c)] |= kSpecial;
    return table;
}

constexpr std::array<std::uint8_t, 128> kClassTable = buildClassTable();

bool hasClass(char c, ClassBit bit) {
    const auto octet = static_cast<unsigned char>(c);
    return octet < kClassTable.size() && (kClassTable[octet] & bit) != 0;
}

} // namespace

bool isControl(char c) {
    return hasClass(c, kControl);
}
bool isWhiteSpace(char c) {
    return hasClass(c, kWhiteSpace);
}
bool isHexDigit(char c) {
    return hasClass(c, kHexDigit);
}
bool isLetterOrDigit(char c) {
    return hasClass(c, kLetterOrDigit);
}
bool isSpecial(char c) {
    return hasClass(c, kSpecial);
}

bool isTokenChar(char c) {
    const auto octet = static_cast<unsigned char>(c);
    return octet >= 128 || (octet > ' ' && octet != 127 && !isSpecial(c));
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace ombrix::mime
