#include "mime/transfer_coders.h"

#include <algorithm>

namespace ombrix::mime {

std::size_t CopyCoder::decodedLength(std::string_view input) const {
    return input.size();
}

// Copies the input, as much as fits.
std::size_t CopyCoder::decode(std::string_view input, char* out, std::size_t capacity) const {
    const std::size_t count = std::min(input.size(), capacity);
    std::copy_n(input.data(), count, out);
    return count;
}

} // namespace ombrix::mime
