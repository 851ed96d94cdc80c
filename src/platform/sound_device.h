#pragma once
// Sound output: wave files and tone sequences. The process plays through one
// installed device, ALSA's `default` by default; tests install a recorder.
// Callable from any thread; every call returns when its sound has ended.
// Without a sound device every sound is silent and returns at once.

#include <memory>
#include <span>
#include <string>

namespace ombrix {

// One tone of a sequence. Frequencies below kLowestAudibleTone are a silent
// pause of the same length.
struct Tone {
    unsigned frequency = 0; // Hz
    unsigned milliseconds = 0;
    bool operator==(const Tone&) const = default;
};

inline constexpr unsigned kLowestAudibleTone = 37;

class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    // Plays the file to its end; a file that cannot be played gives the
    // default chime instead, without a message.
    virtual void playFile(const std::string& path) = 0;
    // Plays the tones one after another on one output that stays open for the
    // whole sequence, so that even 1-ms tones keep their length.
    virtual void playTones(std::span<const Tone> tones) = 0;
};

// The installed device. Holders keep it alive even if another is installed
// meanwhile, so a sound thread never plays on a destroyed device.
std::shared_ptr<SoundDevice> soundDevice();
// nullptr restores the ALSA device.
void installSoundDevice(std::shared_ptr<SoundDevice> device);

// Plays on ALSA's `default` device.
std::shared_ptr<SoundDevice> makeAlsaSoundDevice();

} // namespace ombrix
