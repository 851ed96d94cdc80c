// The seven speaker patterns as the speaker thread hands them to the sound
// layer, tone by tone.

#include "config/settings.h"
#include "core/language.h"
#include "notify/alarm_sounds.h"
#include "notify/beep_patterns.h"
#include "notify/idle_wait.h"
#include "platform/recording_sound.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <numeric>

namespace ombrix {
namespace {

using Tones = std::vector<Tone>;

using test::waitUntilIdle;

unsigned totalMilliseconds(const Tones& tones) {
    return std::accumulate(tones.begin(), tones.end(), 0u,
                           [](unsigned sum, const Tone& tone) { return sum + tone.milliseconds; });
}

Tones times(int count, const Tones& group) {
    Tones out;
    for (int i = 0; i < count; ++i)
        out.insert(out.end(), group.begin(), group.end());
    return out;
}

class BeepPatternTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        installSoundDevice(recorder);
    }
    void TearDown() override {
        waitUntilIdle(beepPlaying);
        installSoundDevice(nullptr);
        ntFamily = 1;
    }

    // Plays the pattern through the speaker thread and returns what reached
    // the sound layer.
    Tones playPattern(std::uint8_t pattern) {
        const std::size_t before = recorder->played().size();
        settings.beepPattern = pattern;
        EXPECT_TRUE(startBeepSound());
        waitUntilIdle(beepPlaying);
        const auto played = recorder->played();
        EXPECT_EQ(played.size(), before + 1);
        return played.empty() ? Tones{} : played.back().tones;
    }

    std::shared_ptr<test::RecordingSound> recorder = std::make_shared<test::RecordingSound>();
};

TEST_F(BeepPatternTest, StandardLongShortPatterns) {
    EXPECT_EQ(playPattern(0),
              (Tones{{1000, 400}, {500, 200}, {1000, 400}, {500, 200}, {1000, 400}, {2000, 200}}));
    EXPECT_EQ(playPattern(1), (Tones{{1400, 1400}}));
    EXPECT_EQ(playPattern(2), (Tones{{1400, 200}}));
}

TEST_F(BeepPatternTest, PhoneIsFiftyHighLowPairs) {
    const Tones tones = playPattern(3);
    EXPECT_EQ(tones, times(50, {{900, 30}, {1300, 30}}));
    EXPECT_EQ(tones.size(), 100u);
    EXPECT_EQ(totalMilliseconds(tones), 3000u);
}

TEST_F(BeepPatternTest, SirenRisesFromSilenceAndFallsFiveTimes) {
    const Tones tones = playPattern(4);
    ASSERT_EQ(tones.size(), 250u);
    const Tones rise = {{0, 15},    {100, 15},  {200, 15},  {300, 15},  {400, 15},
                        {500, 15},  {600, 15},  {700, 15},  {800, 15},  {900, 15},
                        {1000, 15}, {1100, 15}, {1200, 15}, {1300, 15}, {1400, 15},
                        {1500, 15}, {1600, 15}, {1700, 15}, {1800, 15}, {1900, 15},
                        {2000, 15}, {2100, 15}, {2200, 15}, {2300, 15}, {2400, 15}};
    Tones fall;
    for (auto it = rise.rbegin(); it != rise.rend(); ++it)
        fall.push_back({it->frequency + 100, 15});
    Tones sweep = rise;
    sweep.insert(sweep.end(), fall.begin(), fall.end());
    EXPECT_EQ(tones, times(5, sweep));
    EXPECT_EQ(fall.back(), (Tone{100, 15}));
    // Every rise starts with a request below the audible floor: a pause.
    for (std::size_t i = 0; i < tones.size(); i += 50)
        EXPECT_LT(tones[i].frequency, kLowestAudibleTone) << "step " << i;
}

TEST_F(BeepPatternTest, AlarmAlternatesElevenHalfSecondTones) {
    const Tones tones = playPattern(5);
    EXPECT_EQ(tones, (Tones{{1000, 500},
                            {500, 500},
                            {1000, 500},
                            {500, 500},
                            {1000, 500},
                            {500, 500},
                            {1000, 500},
                            {500, 500},
                            {1000, 500},
                            {500, 500},
                            {1000, 500}}));
    EXPECT_EQ(totalMilliseconds(tones), 5500u);
}

TEST_F(BeepPatternTest, TechnicalIs1261TonesAroundOneLowTone) {
    const Tones tones = playPattern(6);
    ASSERT_EQ(tones.size(), 1261u);
    const Tones burst = {{1200, 1}, {1500, 1}, {1200, 1}, {1500, 1}, {1200, 1},
                         {1500, 1}, {1200, 1}, {1500, 1}, {1200, 1}};
    const Tones bursts = times(70, burst);
    EXPECT_EQ(Tones(tones.begin(), tones.begin() + 630), bursts);
    EXPECT_EQ(tones[630], (Tone{100, 300}));
    EXPECT_EQ(Tones(tones.begin() + 631, tones.end()), bursts);
    EXPECT_EQ(totalMilliseconds(tones), 1560u);
}

TEST_F(BeepPatternTest, IndexPastTheLastPatternPlaysNothing) {
    EXPECT_TRUE(playPattern(7).empty());
    EXPECT_TRUE(playPattern(255).empty());
}

TEST_F(BeepPatternTest, OldSystemsPlayOneLongToneWhateverThePattern) {
    ntFamily = 0;
    for (std::uint8_t pattern : {0, 3, 6}) {
        recorder = std::make_shared<test::RecordingSound>();
        installSoundDevice(recorder);
        const Tones tones = playPattern(pattern);
        ASSERT_EQ(tones.size(), 1u) << "pattern " << int(pattern);
        EXPECT_EQ(tones[0].milliseconds, 1400u);
        EXPECT_GE(tones[0].frequency, kLowestAudibleTone);
    }
}

TEST_F(BeepPatternTest, SilencingIsThreeDoubleTones) {
    EXPECT_EQ(silencingTones(), times(3, {{600, 300}, {100, 200}}));
}

TEST_F(BeepPatternTest, NamesFollowTheLanguage) {
    EXPECT_STREQ(beepPatternName(0), "Ombrix default");
    EXPECT_STREQ(beepPatternName(6), "technical");
    EXPECT_EQ(beepPatternName(7), nullptr);
    Language = 0;
    EXPECT_STREQ(beepPatternName(0), "Ombrix standard");
    EXPECT_STREQ(beepPatternName(3), "Telefon");
}

} // namespace
} // namespace ombrix
