#include "mime/header_reader.h"

#include "mime/char_classes.h"
#include "mime/media_types.h"
#include "mime/registries.h"
#include "platform/ascii.h"

#include <optional>

namespace ombrix::mime {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// A line ends at its CR or LF (or at the end of the text).
std::size_t lineEnd(std::string_view text, std::size_t pos) {
    const std::size_t end = text.find_first_of(kLineEnd, pos);
    return end == std::string_view::npos ? text.size() : end;
}

// The position after the line at pos, past its CR LF or LF; the end of the text
// when the line has no break.
std::size_t nextLine(std::string_view text, std::size_t pos) {
    const std::size_t newline = text.find('\n', pos);
    return newline == std::string_view::npos ? text.size() : newline + 1;
}

// A value runs to the CR LF that is not followed by a blank or tab; none within
// the text means the field is unfinished.
std::optional<std::size_t> valueEnd(std::string_view text, std::size_t pos) {
    for (std::size_t crlf = text.find(kLineEnd, pos); crlf != std::string_view::npos;
         crlf = text.find(kLineEnd, crlf + 2)) {
        const std::size_t after = crlf + 2;
        if (after >= text.size() || !isBlankOrTab(text[after]))
            return crlf;
    }
    return std::nullopt;
}

// RFC 5322 unfolding: a CR LF before a blank or tab goes, the blank or tab stays.
std::string unfolded(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    std::size_t pos = 0;
    for (std::size_t crlf = value.find(kLineEnd); crlf != std::string_view::npos;
         crlf = value.find(kLineEnd, pos)) {
        const std::size_t after = crlf + kLineEnd.size();
        const bool fold = after < value.size() && isBlankOrTab(value[after]);
        text.append(value.substr(pos, crlf - pos));
        if (!fold)
            text.append(kLineEnd);
        pos = after;
    }
    text.append(value.substr(pos));
    return text;
}

// Lines that begin with white space where a field should begin belong to no field.
// Returns the first position after them, or none when the empty line follows them.
std::optional<std::size_t> skipStrayContinuations(std::string_view text, std::size_t pos) {
    bool skipped = false;
    while (pos < text.size() && isWhiteSpace(text[pos]) && text[pos] != '\r') {
        pos = nextLine(text, pos);
        skipped = true;
    }
    if (skipped && pos < text.size() && text[pos] == '\r')
        return std::nullopt;
    return pos;
}

// field := name ":" [blanks] value CRLF, or a line without colon (empty name, whole
// line as value). Returns the position after the field's CR LF, or none.
std::optional<std::size_t> readField(std::string_view text, std::size_t pos, HeaderField& field) {
    const std::size_t end = lineEnd(text, pos);
    const std::size_t colon = text.substr(pos, end - pos).find(':');
    std::size_t valueStart = pos;
    if (colon != std::string_view::npos) {
        field.name.assign(text.substr(pos, colon));
        valueStart = pos + colon + 1;
        while (valueStart < text.size() && isBlankOrTab(text[valueStart]))
            ++valueStart;
    }
    const auto valueStop = valueEnd(text, valueStart);
    if (!valueStop)
        return std::nullopt;
    makeFieldCoder(field.name)
        ->decode(unfolded(text.substr(valueStart, *valueStop - valueStart)), field);
    return *valueStop + kLineEnd.size();
}

// The header ends at the end of the text or at a line that begins with CR.
bool headerEndsAt(std::string_view text, std::size_t pos) {
    return pos >= text.size() || text[pos] == '\r';
}

} // namespace

// header := field* (CR LF | end of text); a zero octet ends the header's text.
std::size_t readHeader(std::string_view text, std::vector<HeaderField>& fields) {
    text = text.substr(0, text.find('\0'));
    std::size_t pos = 0;
    while (!headerEndsAt(text, pos)) {
        const auto fieldStart = skipStrayContinuations(text, pos);
        if (!fieldStart)
            return 0;
        pos = *fieldStart;
        if (headerEndsAt(text, pos))
            break;
        HeaderField field;
        const auto next = readField(text, pos, field);
        if (!next)
            return 0;
        fields.push_back(std::move(field));
        pos = *next;
    }
    if (pos < text.size() && text[pos] == '\r')
        pos += text.compare(pos, kLineEnd.size(), kLineEnd) == 0 ? 2 : 1;
    return pos;
}

const HeaderField* findField(const std::vector<HeaderField>& fields, std::string_view name) {
    for (const HeaderField& field : fields) {
        if (equalsIgnoringCase(field.name, name))
            return &field;
    }
    return nullptr;
}

std::string_view mainTypeOf(const std::vector<HeaderField>& fields) {
    const HeaderField* contentType = findField(fields, "Content-Type");
    return contentType ? mainType(contentType->value) : std::string_view("text");
}

} // namespace ombrix::mime
