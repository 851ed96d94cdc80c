#pragma once
// What the libFuzzer targets share: a broken invariant stops the fuzzer on
// the spot, and chunk lengths drawn from one input byte, so that one input
// replays the same split every time.

#include <cstddef>
#include <cstdint>

namespace ombrix::fuzz {

inline void require(bool holds) {
    if (!holds)
        __builtin_trap();
}

// Chunk lengths from one byte: its low bits pick the largest chunk.
class Chunker {
public:
    explicit Chunker(std::uint8_t seed) : state_(seed * 2654435761u + 1u), max_(kMax[seed & 7]) {}
    std::size_t next() {
        state_ = state_ * 1103515245u + 12345u;
        return 1 + (state_ >> 8) % max_;
    }

private:
    static constexpr std::size_t kMax[8] = {1, 2, 3, 5, 13, 64, 700, 1 << 20};
    std::uint32_t state_;
    std::size_t max_;
};

} // namespace ombrix::fuzz
