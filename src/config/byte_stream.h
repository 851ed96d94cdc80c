#pragma once
// Big-endian integers and length-prefixed strings of the two binary state
// files. The reader never reads past its end: a read that does not fit
// returns nothing and leaves the reader failed for good.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

class ByteWriter {
public:
    void u8(std::uint8_t value) { bytes_ += static_cast<char>(value); }
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void raw(std::string_view bytes) { bytes_ += bytes; }
    // A 4-byte length, then the bytes.
    void string(std::string_view bytes);

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::uint8_t> u8();
    std::optional<std::uint16_t> u16();
    std::optional<std::uint32_t> u32();
    std::optional<std::string_view> raw(std::size_t length);
    // A length larger than the bytes left fails before anything is allocated.
    std::optional<std::string_view> string();

    bool failed() const { return failed_; }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

} // namespace ombrix
