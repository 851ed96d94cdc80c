#pragma once
// A parsed mail: one node of the part tree with its decoded header fields, its
// transfer-decoded body and, for a multipart body, its sub-parts. The message
// itself is the root part. Decoding only; no character-set conversion anywhere.

#include "mime/header_field.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class MessagePart {
public:
    // A hostile mail must not exhaust the stack: multipart bodies nested deeper
    // than this are kept whole as the body of the innermost allowed part.
    static constexpr int kMaxNestingDepth = 32;

    MessagePart() = default;
    virtual ~MessagePart() = default;
    MessagePart(const MessagePart&) = delete;
    MessagePart& operator=(const MessagePart&) = delete;

    // Parses text into this (new) part. Returns the octets consumed (> 0), 0 when the
    // header could not be read (fields read so far stay), or < 0 when memory for a body
    // could not be had. Never reads beyond text; the text need not end with a zero octet.
    // Runs on whichever thread owns the part (check or deletion thread).
    virtual long load(std::string_view text);

    // The first field named name (case-insensitive), or nullptr.
    const HeaderField* getField(std::string_view name) const;

    // The value of the first Subject / From / Date field; none when the field is missing
    // (callers treat none like an empty text). Views into this part's fields.
    std::optional<std::string_view> getSubject() const;
    std::optional<std::string_view> getFrom() const;
    std::optional<std::string_view> getDate() const;

    std::vector<HeaderField> fields;                    // in text order, duplicates kept
    std::string body;                                   // decoded content of this part
    std::vector<std::unique_ptr<MessagePart>> children; // sub-parts of a multipart body

protected:
    int nestingDepth = 0; // 0 for the root; set by the parent before a child loads

private:
    std::string_view multipartBoundary() const;
    static std::size_t preambleEnd(std::string_view text, std::size_t headerLength,
                                   std::string_view delimiter);
    void decodeBody(std::string_view content);
    long loadChildren(std::string_view text, std::string_view delimiter, std::size_t from);
    long addChild(std::string_view partText);
};

} // namespace ombrix
