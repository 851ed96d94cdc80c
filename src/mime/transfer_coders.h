#pragma once
// The transfer decoders of bodies and encoded words: copy ("7bit", "8bit" and
// anything unknown), quoted-printable and base64.

#include "mime/coder.h"

namespace ombrix::mime {

class CopyCoder : public Coder {
public:
    std::size_t decodedLength(std::string_view input) const override;
    std::size_t decode(std::string_view input, char* out, std::size_t capacity) const override;
};

class QuotedPrintableCoder : public Coder {
public:
    // Encoded words of kind "Q" write an underscore as a blank; bodies keep it.
    enum class Underscore { Keep, AsBlank };

    explicit QuotedPrintableCoder(Underscore underscore = Underscore::Keep)
        : underscore_(underscore) {}
    std::size_t decodedLength(std::string_view input) const override;
    std::size_t decode(std::string_view input, char* out, std::size_t capacity) const override;

private:
    Underscore underscore_;
};

class Base64Coder : public Coder {
public:
    std::size_t decodedLength(std::string_view input) const override;
    std::size_t decode(std::string_view input, char* out, std::size_t capacity) const override;
};

} // namespace ombrix::mime
