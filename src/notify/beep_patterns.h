#pragma once
// The seven speaker patterns of the sound combo box, and the tones that
// confirm a silencing by a held lock key.

#include "platform/sound_device.h"

#include <cstdint>
#include <vector>

namespace ombrix {

inline constexpr std::uint8_t kBeepPatternCount = 7;

// The tones of pattern `index`; empty for an index past the last pattern.
std::vector<Tone> beepPatternTones(std::uint8_t index);

// The pattern's name in the sound combo box, in the current language;
// nullptr past the last pattern.
const char* beepPatternName(std::uint8_t index);

// Three double tones, high then low.
std::vector<Tone> silencingTones();

// What a system outside the NT family plays instead of any pattern: the
// speaker switched on for 1.4 s.
inline constexpr Tone kOldSystemSpeakerTone{1000, 1400};

} // namespace ombrix
