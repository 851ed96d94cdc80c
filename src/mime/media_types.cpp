#include "mime/media_types.h"

#include "mime/char_classes.h"

#include <optional>

namespace ombrix::mime {
namespace {

// Skips white space and ";" from pos.
std::size_t skipSeparators(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (isWhiteSpace(text[pos]) || text[pos] == ';'))
        ++pos;
    return pos;
}

// A quoted string runs to the next double quote (or the end): a ";" inside it
// separates nothing.
std::size_t skipQuoted(std::string_view text, std::size_t openQuote) {
    const std::size_t close = text.find('"', openQuote + 1);
    return close == std::string_view::npos ? text.size() : close + 1;
}

// The next ";" after pos that is not inside a quoted string, or the end.
std::size_t nextSemicolon(std::string_view text, std::size_t pos) {
    while (pos < text.size() && text[pos] != ';')
        pos = text[pos] == '"' ? skipQuoted(text, pos) : pos + 1;
    return pos;
}

// value := quoted-string (returned without quotes) | a run of token characters.
std::string_view readParameterValue(std::string_view text, std::size_t pos) {
    if (pos < text.size() && text[pos] == '"') {
        const std::size_t end = skipQuoted(text, pos);
        const std::size_t contentEnd = (end > pos + 1 && text[end - 1] == '"') ? end - 1 : end;
        return text.substr(pos + 1, contentEnd - (pos + 1));
    }
    std::size_t end = pos;
    while (end < text.size() && isTokenChar(text[end]))
        ++end;
    return text.substr(pos, end - pos);
}

// name followed by "=" or white space, then white space, "=" and white space, then the value.
std::optional<std::string_view> matchParameter(std::string_view text, std::size_t pos,
                                               std::string_view name) {
    if (!startsWithIgnoreCase(text.substr(pos), name))
        return std::nullopt;
    pos += name.size();
    if (pos >= text.size() || (text[pos] != '=' && !isWhiteSpace(text[pos])))
        return std::nullopt;
    while (pos < text.size() && isWhiteSpace(text[pos]))
        ++pos;
    if (pos < text.size() && text[pos] == '=')
        ++pos;
    while (pos < text.size() && isWhiteSpace(text[pos]))
        ++pos;
    return readParameterValue(text, pos);
}

} // namespace

int mediaTypeIndex(std::string_view contentType) {
    for (std::size_t i = 0; i < kMediaTypes.size(); ++i) {
        if (startsWithIgnoreCase(contentType, kMediaTypes[i]))
            return static_cast<int>(i);
    }
    return kNoMediaType;
}

std::string_view mainType(std::string_view contentType) {
    return contentType.substr(0, contentType.find('/'));
}

std::string_view contentTypeParameter(std::string_view contentType, std::string_view name) {
    std::size_t pos = nextSemicolon(contentType, 0);
    while (pos < contentType.size()) {
        pos = skipSeparators(contentType, pos);
        if (const auto value = matchParameter(contentType, pos, name))
            return *value;
        pos = nextSemicolon(contentType, pos);
    }
    return {};
}

} // namespace ombrix::mime
