#pragma once
// The 7-bit character classes of the MIME parser. Octets of 128 and above belong
// to no class.

#include <string_view>

namespace ombrix::mime {

bool isControl(char c);    // 0 to 31 and 127
bool isWhiteSpace(char c); // blank, tab, LF, VT, FF, CR
bool isHexDigit(char c);   // "0"-"9" and "A"-"F", upper case only
bool isLetterOrDigit(char c);
bool isSpecial(char c);   // RFC 2045 tspecials with "." added, "/" and "?" removed
bool isTokenChar(char c); // octets of 128 and above, or above blank and not special

// ASCII-only case folding (equalsIgnoringCase in platform/ascii.h): mail field
// names and media types are ASCII.
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

} // namespace ombrix::mime
