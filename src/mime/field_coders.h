#pragma once
// Field coders: every header field's raw value passes through one. The four kinds
// would differ only in how they fold and delimit words when encoding; reading
// mail, all four decode encoded words alike.

#include "mime/header_field.h"

#include <string_view>

namespace ombrix::mime {

enum class FieldKind {
    Plain,        // every field not listed below
    Unstructured, // Subject, Comments, Content-Description
    Address,      // From, To, Cc, Bcc, Reply-To and their Resent- forms
    Parameter,    // Content-Type, Content-Disposition
};

class FieldCoder {
public:
    explicit FieldCoder(FieldKind kind) : kind_(kind) {}
    virtual ~FieldCoder() = default;

    FieldKind kind() const { return kind_; }

    // Sets field.value and field.charset from the raw value.
    virtual void decode(std::string_view raw, HeaderField& field) const;

private:
    FieldKind kind_;
};

// RFC 2047 encoded words ("=?charset?B|Q?text?=") decoded and converted to UTF-8
// when iconv knows their charset (their octets as they are otherwise); white space
// between two encoded words is dropped; anything else is copied. Returns the value
// and stores the first word's charset.
std::string decodeEncodedWords(std::string_view raw, std::string& charset);

} // namespace ombrix::mime
