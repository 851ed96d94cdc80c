#pragma once
// Real sound output captured for measurement: ALSA's `default` device is
// pointed at a WAV file, and the file is read back and cut into tones by
// its zero crossings.

#include "support/temp_dir.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ombrix::test {

// While alive, ALSA's `default` writes into wavFile() (or, with
// withoutDevice, does not exist at all).
class AlsaRedirect {
public:
    enum class Mode { WavFile, WithoutDevice };
    explicit AlsaRedirect(Mode mode = Mode::WavFile);
    ~AlsaRedirect();
    AlsaRedirect(const AlsaRedirect&) = delete;
    AlsaRedirect& operator=(const AlsaRedirect&) = delete;

    std::filesystem::path wavFile() const { return dir_ / "out.wav"; }

private:
    TempDir dir_;
    std::optional<std::string> previous_;
};

struct Recording {
    unsigned rate = 0;
    unsigned channels = 0;
    std::vector<std::int16_t> samples; // the first channel only

    double milliseconds() const { return samples.size() * 1000.0 / rate; }
};

std::optional<Recording> readWav(const std::filesystem::path& file);

// A stretch of steady pitch.
struct MeasuredTone {
    double frequency;
    double milliseconds;
    // Its first rising zero crossing: at most one period after it began.
    double startMilliseconds = 0;
};

// Stretches of at least three periods of the same pitch (within 3 %), in
// order; silence between them is left out.
std::vector<MeasuredTone> measureTones(const Recording& recording);

// Writes a sine of the given pitch as a 16-bit WAV file.
void writeSineWav(const std::filesystem::path& file, unsigned rate, unsigned channels,
                  double frequency, unsigned milliseconds);

} // namespace ombrix::test
