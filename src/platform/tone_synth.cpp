#include "platform/tone_synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ombrix {
namespace {

constexpr std::size_t kChunkFrames = 2048;
constexpr double kAmplitude = 0.3 * 32767.0; // loud enough, never clipping

} // namespace

std::size_t ToneSynth::framesFor(unsigned milliseconds) const {
    return static_cast<std::size_t>(milliseconds) * sampleRate_ / 1000;
}

bool ToneSynth::audible(unsigned frequency) const {
    // Above half the sample rate a tone would fold back as a wrong pitch.
    return frequency >= kLowestAudibleTone && frequency < sampleRate_ / 2;
}

void ToneSynth::render(const Tone& tone, const Sink& sink) {
    std::array<std::int16_t, kChunkFrames> chunk{};
    const bool sounding = audible(tone.frequency);
    const double step = sounding ? static_cast<double>(tone.frequency) / sampleRate_ : 0.0;
    std::size_t left = framesFor(tone.milliseconds);
    while (left > 0) {
        const std::size_t count = std::min(left, chunk.size());
        for (std::size_t i = 0; i < count; ++i) {
            chunk[i] = sounding ? static_cast<std::int16_t>(std::lround(
                                      kAmplitude * std::sin(2 * std::numbers::pi * phase_)))
                                : 0;
            phase_ += step;
            if (phase_ >= 1.0)
                phase_ -= 1.0;
        }
        sink(std::span<const std::int16_t>(chunk.data(), count));
        left -= count;
    }
    if (!sounding)
        phase_ = 0.0; // the next tone starts from silence at a zero crossing
}

} // namespace ombrix
