// The speaker patterns as they really come out of the sound card: the
// production device writes into a WAV file, which is measured.

#include "config/settings.h"
#include "notify/alarm_sounds.h"
#include "notify/idle_wait.h"
#include "platform/wav_probe.h"
#include "support/process_reset.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::MeasuredTone;
using test::waitUntilIdle;

// A stretch measured between zero crossings may miss up to a period and a
// half at its ends.
double lengthTolerance(double frequency) {
    return std::max(2.0, 1500.0 / frequency);
}

class AlarmRenderingTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        installSoundDevice(nullptr);
    }

    test::Recording render(std::uint8_t pattern) {
        settings.beepPattern = pattern;
        EXPECT_TRUE(startBeepSound());
        waitUntilIdle(beepPlaying);
        auto recording = test::readWav(redirect.wavFile());
        EXPECT_TRUE(recording) << "no WAV for pattern " << int(pattern);
        return recording ? *recording : test::Recording{};
    }

    test::AlsaRedirect redirect;
};

TEST_F(AlarmRenderingTest, StandardPatternPitchesAndLengthsAsMeasured) {
    const auto recording = render(0);
    const auto tones = test::measureTones(recording);
    const std::vector<MeasuredTone> expected = {{1000, 400}, {500, 200},  {1000, 400},
                                                {500, 200},  {1000, 400}, {2000, 200}};
    ASSERT_EQ(tones.size(), expected.size());
    for (std::size_t i = 0; i < tones.size(); ++i) {
        EXPECT_NEAR(tones[i].frequency, expected[i].frequency, expected[i].frequency * 0.005)
            << "tone " << i;
        EXPECT_NEAR(tones[i].milliseconds, expected[i].milliseconds,
                    lengthTolerance(expected[i].frequency))
            << "tone " << i;
    }
}

struct PatternLength {
    std::uint8_t pattern;
    double milliseconds;
};

class PatternLengthTest : public AlarmRenderingTest,
                          public testing::WithParamInterface<PatternLength> {};

TEST_P(PatternLengthTest, RendersItsExactLength) {
    const auto recording = render(GetParam().pattern);
    EXPECT_EQ(recording.rate, 48000u);
    EXPECT_DOUBLE_EQ(recording.milliseconds(), GetParam().milliseconds);
    std::printf("pattern %d rendered: %.3f ms, %zu frames\n", GetParam().pattern,
                recording.milliseconds(), recording.samples.size());
}

INSTANTIATE_TEST_SUITE_P(Patterns, PatternLengthTest,
                         testing::Values(PatternLength{0, 1800}, PatternLength{1, 1400},
                                         PatternLength{2, 200}, PatternLength{3, 3000},
                                         PatternLength{4, 3750}, PatternLength{5, 5500},
                                         PatternLength{6, 1560}),
                         [](const auto& row) {
                             return "Pattern" + std::to_string(row.param.pattern);
                         });

TEST_F(AlarmRenderingTest, SirenRisesStartWithSilence) {
    const auto recording = render(4);
    const std::size_t step = 15 * 48;
    for (std::size_t rise = 0; rise < 5; ++rise) {
        const auto start = recording.samples.begin() + rise * 50 * step;
        EXPECT_TRUE(std::all_of(start, start + step, [](std::int16_t s) { return s == 0; }))
            << "rise " << rise;
        EXPECT_GT(*std::max_element(start + step, start + 2 * step), 5000) << "rise " << rise;
    }
}

TEST_F(AlarmRenderingTest, TechnicalLowToneSitsBetweenTheBursts) {
    const auto recording = render(6);
    const auto tones = test::measureTones(recording);
    const auto low = std::find_if(tones.begin(), tones.end(), [](const MeasuredTone& tone) {
        return std::abs(tone.frequency - 100.0) < 1.0;
    });
    ASSERT_NE(low, tones.end());
    EXPECT_NEAR(low->milliseconds, 300.0, lengthTolerance(100));
    // The 630 ms of 1-ms tones before it stay 630 ms long.
    EXPECT_GE(low->startMilliseconds, 630.0);
    EXPECT_LE(low->startMilliseconds, 640.0);
}

} // namespace
} // namespace ombrix
