// Sound on ALSA's `default` device (PipeWire or PulseAudio on desktops);
// libsndfile decodes wave files. Every function here runs on a sound thread
// or, for the silencing tones, on the window thread.

#include "platform/audio_calls.h"
#include "platform/default_chime.h"
#include "platform/sound_device.h"
#include "platform/tone_synth.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace ombrix {
namespace {

constexpr unsigned kToneRate = 48000;
constexpr unsigned kLatencyMicroseconds = 100000;
constexpr sf_count_t kReadFrames = 4096;
constexpr int kMaxChannels = 8;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

// Without a sound card ALSA explains its failure on stderr at every open; a
// mail checker on a server must stay quiet.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaMessages(const AudioCalls& calls) {
    static std::once_flag once;
    std::call_once(once, [&calls] { calls.libErrorSetHandler(ignoreAlsaMessage); });
}

// One playback stream on `default`; drains and closes when destroyed.
class PcmStream {
public:
    static std::unique_ptr<PcmStream> open(unsigned rate, unsigned channels) {
        const AudioCalls* calls = audioCalls();
        if (!calls)
            return nullptr;
        silenceAlsaMessages(*calls);
        snd_pcm_t* pcm = nullptr;
        // Opened non-blocking so that a busy device fails at once instead of
        // holding the thread; writing then blocks as playing needs.
        if (calls->pcmOpen(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
            return nullptr;
        auto stream = std::unique_ptr<PcmStream>(new PcmStream(*calls, pcm, channels));
        if (calls->pcmNonblock(pcm, 0) < 0 ||
            calls->pcmSetParams(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, channels,
                                rate, 1, kLatencyMicroseconds) < 0)
            return nullptr;
        return stream;
    }

    ~PcmStream() {
        calls_.pcmDrain(pcm_);
        calls_.pcmClose(pcm_);
    }
    PcmStream(const PcmStream&) = delete;
    PcmStream& operator=(const PcmStream&) = delete;

    // Writes interleaved frames; false once the stream has failed for good.
    bool write(std::span<const std::int16_t> samples) {
        const std::int16_t* data = samples.data();
        snd_pcm_uframes_t left = samples.size() / channels_;
        while (left > 0) {
            snd_pcm_sframes_t written = calls_.pcmWritei(pcm_, data, left);
            if (written < 0) {
                if (calls_.pcmRecover(pcm_, static_cast<int>(written), 1) < 0)
                    return false;
                continue;
            }
            data += static_cast<std::size_t>(written) * channels_;
            left -= static_cast<snd_pcm_uframes_t>(written);
        }
        return true;
    }

private:
    PcmStream(const AudioCalls& calls, snd_pcm_t* pcm, unsigned channels)
        : calls_(calls), pcm_(pcm), channels_(channels) {}

    const AudioCalls& calls_;
    snd_pcm_t* pcm_;
    unsigned channels_;
};

struct SndfileCloser {
    const AudioCalls* calls;
    void operator()(SNDFILE* file) const { calls->sfClose(file); }
};

// False when the file cannot be played at all (missing, not a sound file,
// a format the device refuses); the caller then plays the chime.
bool playWaveFile(const std::string& path) {
    std::error_code error;
    // A FIFO or device file could block the sound thread for ever.
    const AudioCalls* calls = audioCalls();
    if (!calls || !std::filesystem::is_regular_file(path, error))
        return false;
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(calls->sfOpen(path.c_str(), SFM_READ, &info),
                                                 SndfileCloser{calls});
    if (!file || info.channels < 1 || info.channels > kMaxChannels || info.samplerate < kMinRate ||
        info.samplerate > kMaxRate)
        return false;
    auto stream = PcmStream::open(static_cast<unsigned>(info.samplerate),
                                  static_cast<unsigned>(info.channels));
    if (!stream)
        return false;
    std::vector<std::int16_t> buffer(static_cast<std::size_t>(kReadFrames * info.channels));
    sf_count_t frames = 0;
    while ((frames = calls->sfReadfShort(file.get(), buffer.data(), kReadFrames)) > 0) {
        const auto count = static_cast<std::size_t>(frames * info.channels);
        if (!stream->write(std::span<const std::int16_t>(buffer.data(), count)))
            break;
    }
    return true;
}

void playChime() {
    if (auto stream = PcmStream::open(kToneRate, 1))
        stream->write(defaultChime(kToneRate));
}

class AlsaSoundDevice final : public SoundDevice {
public:
    // Runs on a sound thread.
    void playFile(const std::string& path) override {
        if (!playWaveFile(path))
            playChime();
    }

    // Runs on a sound thread, or on the window thread for the silencing tones.
    void playTones(std::span<const Tone> tones) override {
        auto stream = PcmStream::open(kToneRate, 1);
        if (!stream)
            return;
        ToneSynth synth(kToneRate);
        bool ok = true;
        for (const Tone& tone : tones) {
            synth.render(tone, [&](std::span<const std::int16_t> samples) {
                ok = ok && stream->write(samples);
            });
            if (!ok)
                break;
        }
    }
};

} // namespace

std::shared_ptr<SoundDevice> makeAlsaSoundDevice() {
    return std::make_shared<AlsaSoundDevice>();
}

} // namespace ombrix
