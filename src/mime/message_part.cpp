#include "mime/message_part.h"

#include "mime/header_reader.h"
#include "mime/media_types.h"
#include "mime/registries.h"

#include <algorithm>
#include <new>
#include <optional>

namespace ombrix {

long MessagePart::load(std::string_view text) {
    try {
        const std::size_t headerLength = mime::readHeader(text, fields);
        if (headerLength == 0)
            return 0;
        body.clear();
        const std::string delimiter = "\r\n--" + std::string(multipartBoundary());
        const std::size_t contentEnd = preambleEnd(text, headerLength, delimiter);
        decodeBody(text.substr(headerLength, contentEnd - headerLength));
        if (contentEnd >= text.size())
            return static_cast<long>(text.size());
        return loadChildren(text, delimiter, contentEnd - 2);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

// The content before the first delimiter ends after that delimiter's CR LF; the search
// starts two octets before the header's end, so that the empty line's CR LF can begin
// a delimiter that follows it at once. Without a boundary the content is all the rest.
std::size_t MessagePart::preambleEnd(std::string_view text, std::size_t headerLength,
                                     std::string_view delimiter) {
    if (delimiter.size() <= 4)
        return text.size();
    const std::size_t found = text.find(delimiter, headerLength >= 2 ? headerLength - 2 : 0);
    return found == std::string_view::npos ? text.size() : std::max(found + 2, headerLength);
}

const HeaderField* MessagePart::getField(std::string_view name) const {
    return mime::findField(fields, name);
}

namespace {

std::optional<std::string_view> valueOf(const HeaderField* field) {
    if (field == nullptr)
        return std::nullopt;
    return field->value;
}

} // namespace

std::optional<std::string_view> MessagePart::getSubject() const {
    return valueOf(getField("Subject"));
}

std::optional<std::string_view> MessagePart::getFrom() const {
    return valueOf(getField("From"));
}

std::optional<std::string_view> MessagePart::getDate() const {
    return valueOf(getField("Date"));
}

// Empty unless this is a multipart part with a boundary that may still nest.
std::string_view MessagePart::multipartBoundary() const {
    if (nestingDepth >= kMaxNestingDepth)
        return {};
    const HeaderField* contentType = getField("Content-Type");
    if (contentType == nullptr ||
        mime::mediaTypeIndex(contentType->value) != mime::kMultipartMediaType)
        return {};
    return mime::contentTypeParameter(contentType->value, "boundary");
}

// Decodes with the coder named by Content-Transfer-Encoding (copy when none).
void MessagePart::decodeBody(std::string_view content) {
    if (content.empty())
        return;
    const HeaderField* encoding = getField("Content-Transfer-Encoding");
    const auto coder = mime::makeTransferCoder(encoding ? std::string_view(encoding->value) : "");
    body.resize(coder->decodedLength(content));
    body.resize(coder->decode(content, body.data(), body.size()));
}

} // namespace ombrix
