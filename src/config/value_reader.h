#pragma once
// A cursor over the text of obx.dat (already through the text-mode read) with
// the reader's primitives. Nothing here reads past the end of the text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

class ValueReader {
public:
    explicit ValueReader(std::string_view text) : text_(text) {}

    // Everything up to the first LF or the end; the LF is consumed.
    std::string readLine();

    // Skips past the next '=', then collects up to the next LF (consumed, not
    // kept). The end of the text anywhere on the way gives "FILEERROR".
    std::string readValue();

    // One byte as it stands; nothing at the end of the text.
    std::optional<std::uint8_t> readByte();

    bool atEnd() const { return position_ >= text_.size(); }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

bool isFileError(std::string_view value);

// A flag is set only by the single character "1".
std::uint8_t flagValue(std::string_view value);

// Leading blanks, an optional sign, then digits up to the first non-digit;
// no digits give 0. Saturates instead of overflowing.
std::int32_t decimalValue(std::string_view value);

} // namespace ombrix
