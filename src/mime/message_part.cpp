#include "mime/message_part.h"

#include "mime/header_reader.h"
#include "mime/media_types.h"
#include "mime/registries.h"

#include <new>

namespace ombrix {

long MessagePart::load(std::string_view text) {
    try {
        const std::size_t headerLength = mime::readHeader(text, fields);
        if (headerLength == 0)
            return 0;
        body.clear();
        const std::string_view boundary = multipartBoundary();
        std::size_t contentEnd = text.size();
        // From two octets before the header's end, so that the empty line's CR LF can
        // begin a delimiter that follows it at once.
        const std::size_t searchFrom = headerLength >= 2 ? headerLength - 2 : 0;
        const std::string delimiter = "\r\n--" + std::string(boundary);
        if (!boundary.empty()) {
            const std::size_t found = text.find(delimiter, searchFrom);
            if (found != std::string_view::npos)
                contentEnd = std::max(found + 2, headerLength);
        }
        decodeBody(text.substr(headerLength, contentEnd - headerLength));
        if (contentEnd >= text.size())
            return static_cast<long>(text.size());
        return loadChildren(text, delimiter, contentEnd - 2);
    } catch (const std::bad_alloc&) {
        return -1;
    }
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
