#include "platform/default_chime.h"

#include <cmath>
#include <numbers>

namespace ombrix {
namespace {

struct BellNote {
    double frequency;
    unsigned milliseconds;
};

// A falling third, each note struck and fading like a small bell.
constexpr BellNote kNotes[] = {{1318.5, 150}, {1046.5, kChimeMilliseconds - 150}};
constexpr double kPeak = 0.35 * 32767.0;
constexpr double kDecaySeconds = 0.12;
constexpr double kAttackSeconds = 0.003; // avoids a click at each strike

void appendNote(std::vector<std::int16_t>& out, const BellNote& note, unsigned sampleRate) {
    const std::size_t frames = static_cast<std::size_t>(note.milliseconds) * sampleRate / 1000;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double envelope = std::min(1.0, t / kAttackSeconds) * std::exp(-t / kDecaySeconds);
        const double wave = std::sin(2 * std::numbers::pi * note.frequency * t);
        out.push_back(static_cast<std::int16_t>(std::lround(kPeak * envelope * wave)));
    }
}

} // namespace

std::vector<std::int16_t> defaultChime(unsigned sampleRate) {
    std::vector<std::int16_t> samples;
    samples.reserve(static_cast<std::size_t>(kChimeMilliseconds) * sampleRate / 1000);
    for (const BellNote& note : kNotes)
        appendNote(samples, note, sampleRate);
    return samples;
}

} // namespace ombrix
