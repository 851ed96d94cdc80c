// The ALSA sound device, captured by pointing `default` at a WAV file.

#include "platform/default_chime.h"
#include "platform/sound_device.h"
#include "platform/tone_synth.h"
#include "platform/wav_probe.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ombrix {
namespace {

using test::AlsaRedirect;
using test::readWav;

std::int16_t peak(const test::Recording& recording) {
    std::int16_t top = 0;
    for (std::int16_t sample : recording.samples)
        top = std::max<std::int16_t>(top, static_cast<std::int16_t>(std::abs(sample)));
    return top;
}

class AlsaSoundTest : public testing::Test {
protected:
    AlsaRedirect redirect;
    std::shared_ptr<SoundDevice> device = makeAlsaSoundDevice();
};

TEST_F(AlsaSoundTest, WaveFilePlaysAtItsOwnRateAndPitch) {
    test::TempDir dir;
    test::writeSineWav(dir / "ding.wav", 44100, 2, 440.0, 300);
    device->playFile((dir / "ding.wav").string());
    const auto recording = readWav(redirect.wavFile());
    ASSERT_TRUE(recording);
    EXPECT_EQ(recording->rate, 44100u);
    EXPECT_EQ(recording->channels, 2u);
    EXPECT_NEAR(recording->milliseconds(), 300.0, 0.1);
    const auto tones = test::measureTones(*recording);
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0].frequency, 440.0, 2.0);
}

struct UnplayableFile {
    const char* name;
    const char* content; // nullptr: the file does not exist
};

class UnplayableFileTest : public AlsaSoundTest,
                           public testing::WithParamInterface<UnplayableFile> {};

TEST_P(UnplayableFileTest, GivesTheDefaultChime) {
    test::TempDir dir;
    const auto file = dir / "sound.wav";
    if (GetParam().content)
        test::writeBytes(file, GetParam().content);
    device->playFile(file.string());
    const auto recording = readWav(redirect.wavFile());
    ASSERT_TRUE(recording);
    EXPECT_NEAR(recording->milliseconds(), kChimeMilliseconds, 0.1);
    EXPECT_GT(peak(*recording), 5000);
}

INSTANTIATE_TEST_SUITE_P(Files, UnplayableFileTest,
                         testing::Values(UnplayableFile{"Missing", nullptr},
                                         UnplayableFile{"NotASound", "plain text, no RIFF"},
                                         UnplayableFile{"Empty", ""}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(AlsaSoundTest, FifoIsNotOpenedButChimes) {
    test::TempDir dir;
    const auto fifo = dir / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    device->playFile(fifo.string()); // would block for ever if opened
    const auto recording = readWav(redirect.wavFile());
    ASSERT_TRUE(recording);
    EXPECT_NEAR(recording->milliseconds(), kChimeMilliseconds, 0.1);
}

TEST_F(AlsaSoundTest, TonesKeepTheirLengthsToTheFrame) {
    const Tone tones[] = {{1200, 1}, {1500, 1}, {0, 7}, {20, 3}, {1000, 10}};
    device->playTones(tones);
    const auto recording = readWav(redirect.wavFile());
    ASSERT_TRUE(recording);
    ASSERT_EQ(recording->rate, 48000u);
    ASSERT_EQ(recording->samples.size(), 22u * 48);
    // 0 Hz and 20 Hz are below the audible floor: exact silence.
    const auto pause = recording->samples.begin() + 2 * 48;
    EXPECT_TRUE(std::all_of(pause, pause + 10 * 48, [](std::int16_t s) { return s == 0; }));
    const auto sounding = recording->samples.begin() + 12 * 48;
    EXPECT_GT(*std::max_element(sounding, recording->samples.end()), 5000);
}

TEST(SoundWithoutDevice, EverySoundIsSilentAndQuiet) {
    AlsaRedirect redirect(AlsaRedirect::Mode::WithoutDevice);
    auto device = makeAlsaSoundDevice();
    testing::internal::CaptureStderr();
    const Tone tones[] = {{1000, 60000}};
    device->playTones(tones); // would take a minute if anything played
    device->playFile("/no/such/file.wav");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ToneSynth, SilenceBelowTheFloorAndAboveHalfTheRate) {
    ToneSynth synth(8000);
    for (const Tone& tone : {Tone{36, 5}, Tone{4000, 5}, Tone{0, 5}}) {
        std::vector<std::int16_t> out;
        synth.render(tone,
                     [&](auto samples) { out.insert(out.end(), samples.begin(), samples.end()); });
        EXPECT_EQ(out.size(), 40u);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](auto s) { return s == 0; }))
            << tone.frequency << " Hz";
    }
    std::vector<std::int16_t> out;
    synth.render({37, 100},
                 [&](auto samples) { out.insert(out.end(), samples.begin(), samples.end()); });
    EXPECT_GT(*std::max_element(out.begin(), out.end()), 5000);
}

TEST(ToneSynth, LongToneComesInBoundedChunks) {
    ToneSynth synth(48000);
    std::size_t total = 0, largest = 0;
    synth.render({440, 2000}, [&](auto samples) {
        total += samples.size();
        largest = std::max(largest, samples.size());
    });
    EXPECT_EQ(total, 96000u);
    EXPECT_LE(largest, 4096u);
}

TEST(DefaultChime, FadesOutWithinItsLength) {
    const auto chime = defaultChime(48000);
    ASSERT_EQ(chime.size(), kChimeMilliseconds * 48u);
    const auto loudest = *std::max_element(chime.begin(), chime.end());
    const auto tailPeak = *std::max_element(chime.end() - 480, chime.end());
    EXPECT_GT(loudest, 8000);
    EXPECT_LT(tailPeak, loudest / 4);
}

} // namespace
} // namespace ombrix
