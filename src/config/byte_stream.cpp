#include "config/byte_stream.h"

namespace ombrix {

void ByteWriter::u16(std::uint16_t value) {
    u8(static_cast<std::uint8_t>(value >> 8));
    u8(static_cast<std::uint8_t>(value & 0xFF));
}

void ByteWriter::u32(std::uint32_t value) {
    u16(static_cast<std::uint16_t>(value >> 16));
    u16(static_cast<std::uint16_t>(value & 0xFFFF));
}

void ByteWriter::string(std::string_view bytes) {
    u32(static_cast<std::uint32_t>(bytes.size()));
    raw(bytes);
}

std::optional<std::string_view> ByteReader::raw(std::size_t length) {
    if (failed_ || length > bytes_.size() - position_) {
        failed_ = true;
        return std::nullopt;
    }
    const std::string_view taken = bytes_.substr(position_, length);
    position_ += length;
    return taken;
}

std::optional<std::uint8_t> ByteReader::u8() {
    const auto taken = raw(1);
    if (!taken)
        return std::nullopt;
    return static_cast<std::uint8_t>((*taken)[0]);
}

std::optional<std::uint16_t> ByteReader::u16() {
    const auto taken = raw(2);
    if (!taken)
        return std::nullopt;
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>((*taken)[0]) << 8 |
                                      static_cast<std::uint8_t>((*taken)[1]));
}

std::optional<std::uint32_t> ByteReader::u32() {
    const auto high = u16();
    const auto low = u16();
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint32_t>(*high) << 16 | *low;
}

std::optional<std::string_view> ByteReader::string() {
    const auto length = u32();
    if (!length)
        return std::nullopt;
    return raw(*length);
}

} // namespace ombrix
