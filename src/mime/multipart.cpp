#include "mime/header_reader.h"
#include "mime/message_part.h"
#include "mime/registries.h"

#include <algorithm>

namespace ombrix {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kCloseMark = "--";
} // namespace

// body-part := delimiter [rest of line] CR LF text; up to the next delimiter
// (CR LF "--" boundary) or the end; a delimiter followed by "--" closes the body.
long MessagePart::loadChildren(std::string_view text, std::string_view delimiter,
                               std::size_t from) {
    std::size_t found = text.find(delimiter, from);
    while (found != std::string_view::npos) {
        const std::size_t afterDelimiter = found + delimiter.size();
        const std::size_t lineEnd = std::min(text.find(kLineEnd, afterDelimiter), text.size());
        const std::size_t partStart = std::min(lineEnd + kLineEnd.size(), text.size());
        if (text.substr(afterDelimiter).starts_with(kCloseMark))
            return static_cast<long>(partStart);
        // From the line end, so that an empty part's delimiter shares its CR LF.
        found = text.find(delimiter, lineEnd);
        const std::size_t partEnd = std::max(std::min(found, text.size()), partStart);
        const long result = addChild(text.substr(partStart, partEnd - partStart));
        if (result < 0)
            return result;
    }
    return static_cast<long>(text.size());
}

// A child keeps the fields it could read even when its header is unfinished.
long MessagePart::addChild(std::string_view partText) {
    std::string_view type = "text";
    std::vector<HeaderField> probe;
    if (mime::partRegistry().size() != 0) {
        // Only a registered part class needs the type before the child loads.
        mime::readHeader(partText, probe);
        type = mime::mainTypeOf(probe);
    }
    auto child = mime::makePart(type);
    child->nestingDepth = nestingDepth + 1;
    const long result = child->load(partText);
    if (result >= 0)
        children.push_back(std::move(child));
    return result;
}

} // namespace ombrix
