#include "mime/char_classes.h"
#include "mime/transfer_coders.h"

namespace ombrix::mime {
namespace {

// Upper- and lower-case hex digits both name an octet ("=e9" is "=E9").
bool startsEscape(char c) {
    return isHexDigit(c) || (c >= 'a' && c <= 'f');
}

// "0"-"9" are themselves; any other character is its code minus 55, masked to four bits.
unsigned hexValue(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    return static_cast<unsigned>(static_cast<unsigned char>(c) - 55) & 0x0F;
}

} // namespace

std::size_t QuotedPrintableCoder::decodedLength(std::string_view input) const {
    return input.size();
}

// "=XY" is one octet, "=" CR LF is a soft break, "=" before anything else is dropped,
// a "=" with fewer than two characters after it ends the text.
std::size_t QuotedPrintableCoder::decode(std::string_view input, char* out,
                                         std::size_t capacity) const {
    std::size_t written = 0;
    std::size_t pos = 0;
    while (pos < input.size() && written < capacity) {
        const char c = input[pos];
        if (c != '=') {
            out[written++] = (c == '_' && underscore_ == Underscore::AsBlank) ? ' ' : c;
            ++pos;
            continue;
        }
        if (input.size() - pos < 3)
            break;
        const char first = input[pos + 1];
        const char second = input[pos + 2];
        if (startsEscape(first)) {
            out[written++] = static_cast<char>((hexValue(first) << 4) | hexValue(second));
            pos += 3;
        } else if (first == '\r' && second == '\n') {
            pos += 3;
        } else {
            out[written++] = first;
            pos += 2;
        }
    }
    return written;
}

} // namespace ombrix::mime
