#include "config/byte_stream.h"

#include <algorithm>

namespace ombrix {

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
    bytes_ += bytes;
    for (auto c = bytes_.begin() + static_cast<std::ptrdiff_t>(start); c != bytes_.end(); ++c)
        *c = static_cast<char>(static_cast<std::uint8_t>(*c) + shift);
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
    const auto high = u8();
    const auto low = u8();
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint16_t>(*high << 8 | *low);
}

std::optional<std::uint32_t> ByteReader::u32() {
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
    into.clear();
    into.reserve(*size);
    for (std::size_t rest = *size; rest > 0;) {
        if (view_.empty() && !refill()) {
            failed_ = true;
            return false;
        }
        const std::size_t taken = std::min(rest, view_.size());
        into.append(view_.data(), taken);
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
