#pragma once
// Media types and Content-Type parameters as the parser reads them.

#include <array>
#include <string>
#include <string_view>

namespace ombrix::mime {

// Index order matters: a part's media type is the index of the first entry that
// prefixes its Content-Type. The video entry has always been spelled "vedio", so a
// standard video part gets kNoMediaType; the parser never acts on video, so the
// spelling is kept.
inline constexpr std::array<std::string_view, 7> kMediaTypes = {
    "text", "image", "audio", "vedio", "application", "multipart", "message"};
inline constexpr int kMultipartMediaType = 5;
inline constexpr int kNoMediaType = 7;

// The index of the first table entry that is a case-insensitive prefix of the value,
// or kNoMediaType.
int mediaTypeIndex(std::string_view contentType);

// The Content-Type value up to "/" (the whole value without one).
std::string_view mainType(std::string_view contentType);

// The value of the named parameter of a Content-Type value, unquoted; empty when
// missing.
std::string_view contentTypeParameter(std::string_view contentType, std::string_view name);

} // namespace ombrix::mime
