#pragma once
// Reading the header fields at the start of a part's text.

#include "mime/header_field.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace ombrix::mime {

// Reads the header of text into fields (appending, decoded). Returns the header's
// length including the empty line that ends it, or 0 when a field could not be read;
// the fields read before such a field stay.
std::size_t readHeader(std::string_view text, std::vector<HeaderField>& fields);

// The first field whose name equals name case-insensitively, or nullptr.
const HeaderField* findField(const std::vector<HeaderField>& fields, std::string_view name);

// The main media type of a header: its Content-Type up to "/", "text" without one.
std::string_view mainTypeOf(const std::vector<HeaderField>& fields);

} // namespace ombrix::mime
