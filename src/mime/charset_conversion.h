#pragma once
// Encoded words name the charset their sender wrote in; the program shows UTF-8.
// glibc's iconv does the conversion, so every charset it knows reads right.

#include <optional>
#include <string>
#include <string_view>

namespace ombrix::mime {

// The bytes converted from charset (case-insensitive, an RFC 2231 "*language"
// suffix ignored) to UTF-8, or none when iconv does not know the charset or the
// name is not a plain charset name. A byte sequence that is invalid in the
// charset becomes U+FFFD and the conversion goes on after it.
std::optional<std::string> convertToUtf8(std::string_view charset, std::string_view bytes);

} // namespace ombrix::mime
