#pragma once
// A coder turns an input range into a caller's buffer of a given capacity and
// returns the octets written; it never writes beyond that capacity. Only the
// decoding direction exists: the program reads mail, it never writes any.

#include <cstddef>
#include <string_view>

namespace ombrix::mime {

class Coder {
public:
    virtual ~Coder() = default;
    // An upper bound of what decode writes for this input.
    virtual std::size_t decodedLength(std::string_view input) const = 0;
    virtual std::size_t decode(std::string_view input, char* out, std::size_t capacity) const = 0;
};

} // namespace ombrix::mime
