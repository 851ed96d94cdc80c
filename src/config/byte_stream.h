#pragma once
// Big-endian integers and length-prefixed strings of the two binary state
// files. Both ends work through one small buffer that a large file passes
// through in pieces, so a file of many megabytes never needs a copy of itself
// in fresh memory. The reader never reads past its end: a read that does not
// fit gives nothing and leaves the reader failed for good.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// `length` bytes from `from` to `to`, each one increased by `delta` (mod 256);
// the two may be the same place.
void shiftBytes(const char* from, std::size_t length, char* to, std::uint8_t delta);

// Small enough to stay in the processor's cache, large enough that the
// system calls do not count.
inline constexpr std::size_t kStreamChunk = 256 * 1024;

// Takes the writer's bytes, a piece at a time, in order.
using ByteSink = std::function<void(std::string_view piece)>;

class ByteWriter {
public:
    // Collects everything; bytes() gives it.
    ByteWriter() = default;
    // Hands each `chunk` bytes on to `sink`; flush() hands on the rest.
    explicit ByteWriter(ByteSink sink, std::size_t chunk = kStreamChunk);

    void u8(std::uint8_t value);
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void raw(std::string_view bytes);
    // A 4-byte length, then the bytes.
    void string(std::string_view bytes);
    // A 4-byte length, then every byte increased by `shift` (mod 256).
    void shiftedString(std::string_view bytes, std::uint8_t shift);
    void flush();

    const std::string& bytes() const { return bytes_; }

private:
    void handOnWhenFull();

    ByteSink sink_;
    std::size_t chunk_ = 0;
    std::string bytes_;
};

// Fills `into` with the next bytes, up to its size: how many it gave; 0 at
// the end (or when the bytes could not be read).
using ByteSupply = std::function<std::size_t(std::span<char> into)>;

class ByteReader {
public:
    // Bytes in memory, in one piece.
    explicit ByteReader(std::string_view bytes) : view_(bytes), left_(bytes.size()) {}
    // `size` bytes in all, taken from `supply` a chunk at a time.
    ByteReader(ByteSupply supply, std::uint64_t size, std::size_t chunk = kStreamChunk);

    std::optional<std::uint8_t> u8();
    std::optional<std::uint16_t> u16();
    std::optional<std::uint32_t> u32();
    bool skip(std::uint64_t length);
    // A 4-byte length, then that many bytes into `into`, replacing what it
    // held. A length larger than the bytes left fails before anything is
    // allocated.
    bool stringInto(std::string& into);
    bool skipString();
    // A string into the room `room(length)` gives for the length read (a
    // char* to that many bytes), every byte decreased by `shift` (mod 256) on
    // its way in: a text goes straight to where it is kept.
    template <typename Room> bool unshiftedStringInto(Room room, std::uint8_t shift) {
        const auto size = length();
        return size && copyOut(room(std::size_t{*size}), *size, static_cast<std::uint8_t>(-shift));
    }

    bool failed() const { return failed_; }

private:
    // The next piece into view once the one in view is used up.
    bool refill();
    // `length` bytes (no more than are left) into `to`, each one moved by `delta`.
    bool copyOut(char* to, std::size_t length, std::uint8_t delta);
    std::optional<std::uint32_t> length();

    std::string_view view_; // bytes at hand, not yet taken
    std::uint64_t left_;    // bytes not yet taken, those in view included
    ByteSupply supply_;
    std::vector<char> buffer_;
    bool failed_ = false;
};

} // namespace ombrix
