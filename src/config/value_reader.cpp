#include "config/value_reader.h"

#include "config/obx_schema.h"
#include "platform/ascii.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace ombrix {

std::string ValueReader::readLine() {
    const std::size_t end = text_.find('\n', position_);
    const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
    std::string line(text_.substr(position_, stop - position_));
    position_ = end == std::string_view::npos ? text_.size() : end + 1;
    return line;
}

std::string ValueReader::readValue() {
    const std::size_t equals = text_.find('=', position_);
    const std::size_t end =
        equals == std::string_view::npos ? equals : text_.find('\n', equals + 1);
    if (end == std::string_view::npos) {
        position_ = text_.size();
        return std::string(schema::kFileError);
    }
    std::string value(text_.substr(equals + 1, end - equals - 1));
    position_ = end + 1;
    return value;
}

std::optional<std::uint8_t> ValueReader::readByte() {
    if (atEnd())
        return std::nullopt;
    return static_cast<std::uint8_t>(text_[position_++]);
}

bool isFileError(std::string_view value) {
    return value == schema::kFileError;
}

std::uint8_t flagValue(std::string_view value) {
    return value == "1" ? 1 : 0;
}

std::int32_t decimalValue(std::string_view value) {
    std::size_t i = 0;
    while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i])))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    std::int64_t number = 0;
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    for (; i < value.size() && isAsciiDigit(value[i]); ++i)
        number = std::min<std::int64_t>(number * 10 + (value[i] - '0'), kLimit + 1);
    if (negative)
        return static_cast<std::int32_t>(-number);
    return static_cast<std::int32_t>(std::min(number, kLimit));
}

} // namespace ombrix
