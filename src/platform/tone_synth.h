#pragma once
// Turns tones into 16-bit mono samples. The phase runs on from tone to tone,
// so back-to-back tones join without a click.

#include "platform/sound_device.h"

#include <cstdint>
#include <functional>
#include <span>

namespace ombrix {

class ToneSynth {
public:
    using Sink = std::function<void(std::span<const std::int16_t>)>;

    explicit ToneSynth(unsigned sampleRate) : sampleRate_(sampleRate) {}

    // Frames of a tone of this length: exact to the frame for whole
    // milliseconds at the usual rates.
    std::size_t framesFor(unsigned milliseconds) const;
    // Hands the tone's samples to the sink in bounded chunks.
    void render(const Tone& tone, const Sink& sink);

private:
    bool audible(unsigned frequency) const;

    unsigned sampleRate_;
    double phase_ = 0.0; // in cycles, 0 <= phase_ < 1
};

} // namespace ombrix
