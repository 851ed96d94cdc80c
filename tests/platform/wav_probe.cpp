#include "platform/wav_probe.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sndfile.h>

namespace ombrix::test {
namespace {

constexpr const char* kConfigVariable = "ALSA_CONFIG_PATH";

// Fractional sample positions where the wave rises through zero.
std::vector<double> risingCrossings(const std::vector<std::int16_t>& samples) {
    std::vector<double> crossings;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const double before = samples[i - 1];
        const double now = samples[i];
        if (before < 0 && now >= 0)
            crossings.push_back(static_cast<double>(i - 1) + (-before) / (now - before));
    }
    return crossings;
}

} // namespace

AlsaRedirect::AlsaRedirect(Mode mode) {
    if (const char* value = std::getenv(kConfigVariable))
        previous_ = value;
    std::ofstream config(dir_ / "asound.conf");
    if (mode == Mode::WavFile) {
        config << "pcm.!default { type file; slave.pcm { type null }; file \"" << wavFile().string()
               << "\"; format \"wav\" }\n";
    } else {
        config << "pcm.other { type null }\n";
    }
    config.close();
    // ALSA compares its list of configuration files at every open and
    // reloads when it changed.
    setenv(kConfigVariable, (dir_ / "asound.conf").c_str(), 1);
}

AlsaRedirect::~AlsaRedirect() {
    if (previous_)
        setenv(kConfigVariable, previous_->c_str(), 1);
    else
        unsetenv(kConfigVariable);
}

std::optional<Recording> readWav(const std::filesystem::path& file) {
    SF_INFO info{};
    SNDFILE* wav = sf_open(file.c_str(), SFM_READ, &info);
    if (!wav)
        return std::nullopt;
    Recording recording;
    recording.rate = static_cast<unsigned>(info.samplerate);
    recording.channels = static_cast<unsigned>(info.channels);
    std::vector<std::int16_t> frame(recording.channels);
    while (sf_readf_short(wav, frame.data(), 1) == 1)
        recording.samples.push_back(frame[0]);
    sf_close(wav);
    return recording;
}

std::vector<MeasuredTone> measureTones(const Recording& recording) {
    const std::vector<double> crossings = risingCrossings(recording.samples);
    std::vector<MeasuredTone> tones;
    std::size_t first = 0;
    while (first + 1 < crossings.size()) {
        const double period = crossings[first + 1] - crossings[first];
        std::size_t last = first + 1;
        while (last + 1 < crossings.size() &&
               std::abs((crossings[last + 1] - crossings[last]) - period) < 0.03 * period)
            ++last;
        const std::size_t periods = last - first;
        if (periods >= 3) {
            const double mean = (crossings[last] - crossings[first]) / periods;
            // The stretch runs half a period before its first crossing and
            // after its last one.
            const double toMilliseconds = 1000.0 / recording.rate;
            tones.push_back({recording.rate / mean,
                             (crossings[last] - crossings[first] + mean) * toMilliseconds,
                             crossings[first] * toMilliseconds});
        }
        first = last;
    }
    return tones;
}

void writeSineWav(const std::filesystem::path& file, unsigned rate, unsigned channels,
                  double frequency, unsigned milliseconds) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = static_cast<int>(channels);
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* wav = sf_open(file.c_str(), SFM_WRITE, &info);
    const std::size_t frames = static_cast<std::size_t>(milliseconds) * rate / 1000;
    std::vector<std::int16_t> frame(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double value = 10000 * std::sin(2 * std::numbers::pi * frequency * i / rate);
        std::fill(frame.begin(), frame.end(), static_cast<std::int16_t>(std::lround(value)));
        sf_writef_short(wav, frame.data(), 1);
    }
    sf_close(wav);
}

} // namespace ombrix::test
