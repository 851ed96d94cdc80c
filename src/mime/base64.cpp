#include "mime/transfer_coders.h"

namespace ombrix::mime {
namespace {

constexpr int kNotInAlphabet = -1;

int sextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return kNotInAlphabet;
}

} // namespace

std::size_t Base64Coder::decodedLength(std::string_view input) const {
    return input.size() / 4 * 3 + 3;
}

// Standard alphabet; CR and LF are skipped; any other character (padding "=" and
// blanks included) ends the text. Bits that do not fill an octet are dropped.
std::size_t Base64Coder::decode(std::string_view input, char* out, std::size_t capacity) const {
    std::size_t written = 0;
    unsigned bits = 0;
    int bitCount = 0;
    for (const char c : input) {
        if (c == '\r' || c == '\n')
            continue;
        const int sextet = sextetOf(c);
        if (sextet == kNotInAlphabet)
            break;
        bits = ((bits << 6) | static_cast<unsigned>(sextet)) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            if (written == capacity)
                break;
            bitCount -= 8;
            out[written++] = static_cast<char>((bits >> bitCount) & 0xFF);
        }
    }
    return written;
}

} // namespace ombrix::mime
