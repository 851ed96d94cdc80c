#include "config/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace ombrix {

// In blocks of a fixed size, which the compiler turns into vector additions:
// a preview of 2000 bytes is added to in a few dozen steps, not byte by byte.
void shiftBytes(const char* from, std::size_t length, char* to, std::uint8_t delta) {
    constexpr std::size_t kBlock = 32;
    std::size_t i = 0;
    for (; i + kBlock <= length; i += kBlock) {
        unsigned char block[kBlock];
        std::memcpy(block, from + i, kBlock);
        for (unsigned char& c : block)
            c = static_cast<unsigned char>(c + delta);
        std::memcpy(to + i, block, kBlock);
    }
    for (; i < length; ++i)
        to[i] = static_cast<char>(static_cast<std::uint8_t>(from[i]) + delta);
}

ByteWriter::ByteWriter(ByteSink sink, std::size_t chunk)
    : sink_(std::move(sink)), chunk_(std::max<std::size_t>(chunk, 1)) {
    bytes_.reserve(chunk_);
}

void ByteWriter::u8(std::uint8_t value) {
    bytes_ += static_cast<char>(value);
    handOnWhenFull();
}

void ByteWriter::u16(std::uint16_t value) {
    u8(static_cast<std::uint8_t>(value >> 8));
    u8(static_cast<std::uint8_t>(value & 0xFF));
}

void ByteWriter::u32(std::uint32_t value) {
    u16(static_cast<std::uint16_t>(value >> 16));
    u16(static_cast<std::uint16_t>(value & 0xFFFF));
}

void ByteWriter::raw(std::string_view bytes) {
    if (sink_ && bytes.size() >= chunk_) {
        flush();
        sink_(bytes); // straight on, without a copy in between
        return;
    }
    bytes_ += bytes;
    handOnWhenFull();
}

void ByteWriter::string(std::string_view bytes) {
    u32(static_cast<std::uint32_t>(bytes.size()));
    raw(bytes);
}

void ByteWriter::shiftedString(std::string_view bytes, std::uint8_t shift) {
    u32(static_cast<std::uint32_t>(bytes.size()));
    const std::size_t start = bytes_.size();
    bytes_.resize(start + bytes.size());
    shiftBytes(bytes.data(), bytes.size(), bytes_.data() + start, shift);
    handOnWhenFull();
}

void ByteWriter::flush() {
    if (sink_ && !bytes_.empty()) {
        sink_(bytes_);
        bytes_.clear();
    }
}

void ByteWriter::handOnWhenFull() {
    if (sink_ && bytes_.size() >= chunk_)
        flush();
}

ByteReader::ByteReader(ByteSupply supply, std::uint64_t size, std::size_t chunk)
    : left_(size), supply_(std::move(supply)), buffer_(std::max<std::size_t>(chunk, 1)) {}

bool ByteReader::refill() {
    if (failed_ || !supply_ || left_ == 0)
        return false;
    const auto most = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), left_));
    const std::size_t got = supply_(std::span(buffer_.data(), most));
    if (got == 0)
        return false;
    view_ = std::string_view(buffer_.data(), std::min(got, most));
    return true;
}

std::optional<std::uint8_t> ByteReader::u8() {
    if (failed_ || (view_.empty() && !refill())) {
        failed_ = true;
        return std::nullopt;
    }
    const auto byte = static_cast<std::uint8_t>(view_.front());
    view_.remove_prefix(1);
    --left_;
    return byte;
}

std::optional<std::uint16_t> ByteReader::u16() {
    if (!failed_ && view_.size() >= 2) { // the usual case: both at hand
        const auto* bytes = reinterpret_cast<const unsigned char*>(view_.data());
        view_.remove_prefix(2);
        left_ -= 2;
        return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    }
    const auto high = u8();
    const auto low = u8();
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint16_t>(*high << 8 | *low);
}

std::optional<std::uint32_t> ByteReader::u32() {
    if (!failed_ && view_.size() >= 4) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(view_.data());
        view_.remove_prefix(4);
        left_ -= 4;
        return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
               std::uint32_t{bytes[2]} << 8 | bytes[3];
    }
    const auto high = u16();
    const auto low = u16();
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint32_t>(*high) << 16 | *low;
}

bool ByteReader::skip(std::uint64_t length) {
    if (failed_ || length > left_) {
        failed_ = true;
        return false;
    }
    while (length > 0) {
        if (view_.empty() && !refill()) {
            failed_ = true;
            return false;
        }
        const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(length, view_.size()));
        view_.remove_prefix(taken);
        left_ -= taken;
        length -= taken;
    }
    return true;
}

std::optional<std::uint32_t> ByteReader::length() {
    const auto length = u32();
    if (!length || *length > left_) {
        failed_ = true;
        return std::nullopt;
    }
    return length;
}

bool ByteReader::stringInto(std::string& into) {
    const auto size = length();
    if (!size)
        return false;
    if (*size <= view_.size()) { // the usual case: all of it at hand
        into.assign(view_.data(), *size);
        view_.remove_prefix(*size);
        left_ -= *size;
        return true;
    }
    into.resize(*size);
    return copyOut(into.data(), *size, 0);
}

bool ByteReader::copyOut(char* to, std::size_t length, std::uint8_t delta) {
    for (std::size_t rest = length; rest > 0;) {
        if (view_.empty() && !refill()) {
            failed_ = true;
            return false;
        }
        const std::size_t taken = std::min(rest, view_.size());
        shiftBytes(view_.data(), taken, to, delta);
        to += taken;
        view_.remove_prefix(taken);
        left_ -= taken;
        rest -= taken;
    }
    return true;
}

bool ByteReader::skipString() {
    const auto size = length();
    return size && skip(*size);
}

} // namespace ombrix
