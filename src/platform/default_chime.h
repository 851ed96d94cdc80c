#pragma once
// The sound played when a wave file cannot be played: two short bell notes.

#include <cstdint>
#include <vector>

namespace ombrix {

inline constexpr unsigned kChimeMilliseconds = 500;

// 16-bit mono samples at the given rate, kChimeMilliseconds long.
std::vector<std::int16_t> defaultChime(unsigned sampleRate);

} // namespace ombrix
