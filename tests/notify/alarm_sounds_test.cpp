// The busy flags: one copy of each sound at a time, and the two sounds
// independent of each other.

#include "config/settings.h"
#include "notify/alarm_sounds.h"
#include "notify/idle_wait.h"
#include "platform/recording_sound.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <latch>
#include <thread>

namespace ombrix {
namespace {

using test::waitUntilIdle;

class AlarmSoundsTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        installSoundDevice(recorder);
        settings.waveFile = "/sounds/new mail.wav";
        settings.beepPattern = 2;
    }
    void TearDown() override {
        recorder->releaseSounds();
        waitUntilIdle(wavePlaying);
        waitUntilIdle(beepPlaying);
        installSoundDevice(nullptr);
    }

    std::shared_ptr<test::RecordingSound> recorder = std::make_shared<test::RecordingSound>();
};

TEST_F(AlarmSoundsTest, SecondStartWhileEachSoundPlaysDoesNothing) {
    recorder->holdSounds();
    ASSERT_TRUE(startBeepSound());
    recorder->waitForStarted(1);
    EXPECT_EQ(beepPlaying.load(), 1);
    EXPECT_FALSE(startBeepSound());

    // The wave sound is independent: it starts while the pattern plays.
    ASSERT_TRUE(startWaveSound());
    recorder->waitForStarted(2);
    EXPECT_FALSE(startWaveSound());
    EXPECT_FALSE(startBeepSound());

    recorder->releaseSounds();
    waitUntilIdle(wavePlaying);
    waitUntilIdle(beepPlaying);
    const auto played = recorder->played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].tones, (std::vector<Tone>{{1400, 200}}));
    EXPECT_EQ(played[1].file, "/sounds/new mail.wav");
}

TEST_F(AlarmSoundsTest, EndedSoundCanStartAgain) {
    ASSERT_TRUE(startWaveSound());
    waitUntilIdle(wavePlaying);
    ASSERT_TRUE(startWaveSound());
    waitUntilIdle(wavePlaying);
    EXPECT_EQ(recorder->played().size(), 2u);
}

TEST_F(AlarmSoundsTest, SoundKeepsTheSettingsOfItsStart) {
    recorder->holdSounds();
    ASSERT_TRUE(startWaveSound());
    settings.waveFile = "/elsewhere.wav";
    recorder->waitForStarted(1);
    recorder->releaseSounds();
    waitUntilIdle(wavePlaying);
    EXPECT_EQ(recorder->played().at(0).file, "/sounds/new mail.wav");
}

TEST_F(AlarmSoundsTest, QuickStartsFromManyThreadsPlayOnce) {
    recorder->holdSounds();
    constexpr int kStarters = 8;
    std::latch go(kStarters);
    std::atomic<int> started{0};
    std::vector<std::thread> starters;
    for (int i = 0; i < kStarters; ++i) {
        starters.emplace_back([&] {
            go.arrive_and_wait();
            started += startBeepSound() ? 1 : 0;
        });
    }
    for (auto& starter : starters)
        starter.join();
    EXPECT_EQ(started.load(), 1);
    recorder->releaseSounds();
    waitUntilIdle(beepPlaying);
    EXPECT_EQ(recorder->played().size(), 1u);
}

// An account's own file shares the one wave: no second wave starts while
// either plays, and the settings' file is left alone.
TEST_F(AlarmSoundsTest, AGivenFileIsTheWaveSoundWithItsBusyFlag) {
    recorder->holdSounds();
    ASSERT_TRUE(startWaveSound("/home/anna/bell.wav"));
    recorder->waitForStarted(1);
    EXPECT_FALSE(startWaveSound());
    EXPECT_FALSE(startWaveSound("/home/bert/gong.wav"));
    recorder->releaseSounds();
    waitUntilIdle(wavePlaying);
    ASSERT_TRUE(startWaveSound());
    waitUntilIdle(wavePlaying);
    const auto played = recorder->played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].file, "/home/anna/bell.wav");
    EXPECT_EQ(played[1].file, "/sounds/new mail.wav");
}

TEST_F(AlarmSoundsTest, DeviceReplacedWhilePlayingStaysAlive) {
    recorder->holdSounds();
    ASSERT_TRUE(startBeepSound());
    recorder->waitForStarted(1);
    std::weak_ptr<test::RecordingSound> playing = recorder;
    auto held = recorder;
    recorder = std::make_shared<test::RecordingSound>();
    installSoundDevice(recorder);
    held.reset();
    // The speaker thread still holds the old device.
    ASSERT_FALSE(playing.expired());
    playing.lock()->releaseSounds();
    waitUntilIdle(beepPlaying);
    EXPECT_TRUE(recorder->played().empty());
}

} // namespace
} // namespace ombrix
