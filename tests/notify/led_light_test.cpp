// The running light over the lock LEDs and the silencing by a held key.

#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "notify/beep_patterns.h"
#include "notify/led_light.h"
#include "platform/recording_keyboard.h"
#include "platform/recording_sound.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::RecordingKeyboard;

class RecordingControls final : public AlarmControls {
public:
    void clearCheckBox(AlarmSetting setting) override { cleared.push_back(setting); }
    void ledSettingSwitchedOff(LockKey key) override { switchedOff.push_back(key); }

    std::vector<AlarmSetting> cleared;
    std::vector<LockKey> switchedOff;
};

// Which LEDs are lit after a tick, as a string "C S N" of 0/1.
std::string litAfterTick(RecordingKeyboard& keys) {
    std::string lit;
    for (LockKey key : {LockKey::CapsLock, LockKey::ScrollLock, LockKey::NumLock})
        lit += keys.lockState(key) ? '1' : '0';
    return lit;
}

class LedLightTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        settings = missingFileSettings();
        settings.scrollLockLed = 0;
        programDirectory = dir.path().string();
        installKeyboard(keys);
        installSoundDevice(sound);
    }
    void TearDown() override {
        installKeyboard(nullptr);
        installSoundDevice(nullptr);
        programDirectory.clear();
    }

    void allAlarmsOn() {
        settings.waveAlarm = 1;
        settings.speakerAlarm = 1;
        settings.numLockLed = 1;
        settings.scrollLockLed = 1;
        settings.capsLockLed = 1;
    }

    test::TempDir dir;
    std::shared_ptr<RecordingKeyboard> keys = std::make_shared<RecordingKeyboard>();
    std::shared_ptr<test::RecordingSound> sound = std::make_shared<test::RecordingSound>();
    RecordingControls controls;
    std::int8_t ledPhase = 0; // the window's, kept between the ticks
};

struct LightRow {
    const char* name;
    bool caps, scroll, num;
    std::vector<std::string> lit; // "C S N" after each tick
};

class RunningLightTest : public LedLightTest, public testing::WithParamInterface<LightRow> {};

TEST_P(RunningLightTest, OneStepPerTick) {
    const LightRow& row = GetParam();
    settings.capsLockLed = row.caps;
    settings.scrollLockLed = row.scroll;
    settings.numLockLed = row.num;
    std::vector<std::string> lit;
    for (std::size_t tick = 0; tick < row.lit.size(); ++tick) {
        LedTick(controls, ledPhase);
        lit.push_back(litAfterTick(*keys));
    }
    EXPECT_EQ(lit, row.lit);
    EXPECT_TRUE(sound->played().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RunningLightTest,
    testing::Values(
        LightRow{"ScrollOnly", false, true, false, {"000", "010", "000", "000", "010", "000"}},
        LightRow{"NumOnly", false, false, true, {"000", "000", "001", "000", "000", "001"}},
        LightRow{"CapsAndNum", true, false, true, {"100", "000", "001", "100", "000", "001"}},
        LightRow{"AllThree", true, true, true, {"100", "010", "001", "100", "010", "001"}},
        LightRow{"None", false, false, false, {"000", "000", "000"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(LedLightTest, PhaseGoesOnWhereTheLastAlarmStopped) {
    settings.numLockLed = 1;
    ledPhase = 2;
    LedTick(controls, ledPhase);
    EXPECT_TRUE(keys->lockState(LockKey::NumLock));
    EXPECT_EQ(ledPhase, 0);
}

TEST_F(LedLightTest, KeyAlreadyInTheWantedStateGetsNoEvent) {
    keys->setLocked(LockKey::CapsLock, true);
    SetLockState(LockKey::CapsLock, true);
    SetLockState(LockKey::NumLock, false);
    EXPECT_TRUE(keys->events().empty());

    SetLockState(LockKey::CapsLock, false);
    SetLockState(LockKey::ScrollLock, true);
    EXPECT_EQ(keys->events(), (std::vector<LockKey>{LockKey::CapsLock, LockKey::ScrollLock}));
}

TEST_F(LedLightTest, TicksSendEventsOnlyForChanges) {
    settings.scrollLockLed = 1;
    for (int tick = 0; tick < 6; ++tick)
        LedTick(controls, ledPhase);
    // Off, on, off, off, on, off: the light changes four times.
    EXPECT_EQ(keys->events().size(), 4u);
}

TEST_F(LedLightTest, KeyPressedByTheUserIsCorrectedNextTick) {
    settings.scrollLockLed = 1;
    keys->setLocked(LockKey::ScrollLock, true); // the user pressed it
    LedTick(controls, ledPhase);                // phase 0: Scroll Lock dark
    EXPECT_FALSE(keys->lockState(LockKey::ScrollLock));
    EXPECT_EQ(keys->events().size(), 1u);
}

TEST_F(LedLightTest, HeldNumLockSilencesAndClearsAllFiveSettings) {
    allAlarmsOn();
    LedTick(controls, ledPhase); // Caps lit
    keys->forgetEvents();
    keys->hold(LockKey::NumLock);
    LedTick(controls, ledPhase);

    ASSERT_EQ(sound->played().size(), 1u);
    EXPECT_EQ(sound->played()[0].tones, silencingTones());
    EXPECT_EQ(controls.cleared,
              (std::vector<AlarmSetting>{AlarmSetting::WaveAlarm, AlarmSetting::SpeakerAlarm,
                                         AlarmSetting::NumLockLed, AlarmSetting::ScrollLockLed,
                                         AlarmSetting::CapsLockLed}));
    EXPECT_EQ(controls.switchedOff,
              (std::vector<LockKey>{LockKey::NumLock, LockKey::ScrollLock, LockKey::CapsLock}));
    EXPECT_EQ(settings.waveAlarm + settings.speakerAlarm + settings.numLockLed +
                  settings.scrollLockLed + settings.capsLockLed,
              0);
    // The LEDs keep the states the last tick gave them.
    EXPECT_TRUE(keys->events().empty());
    EXPECT_TRUE(keys->lockState(LockKey::CapsLock));

    // And the switched-off settings are what the settings file now holds.
    allAlarmsOn();
    loadState();
    EXPECT_EQ(settings.waveAlarm + settings.speakerAlarm + settings.numLockLed +
                  settings.scrollLockLed + settings.capsLockLed,
              0);
}

TEST_F(LedLightTest, HeldScrollLockClearsOnlyWhatIsOn) {
    settings.speakerAlarm = 1;
    settings.scrollLockLed = 1;
    keys->hold(LockKey::ScrollLock);
    LedTick(controls, ledPhase);
    EXPECT_EQ(sound->played().size(), 1u);
    EXPECT_EQ(controls.cleared,
              (std::vector<AlarmSetting>{AlarmSetting::SpeakerAlarm, AlarmSetting::ScrollLockLed}));
    EXPECT_EQ(controls.switchedOff, (std::vector<LockKey>{LockKey::ScrollLock}));
    EXPECT_TRUE(std::filesystem::exists(dir / "obx.dat"));
}

TEST_F(LedLightTest, HeldKeyWithEveryAlarmOffIsJustAKey) {
    keys->hold(LockKey::NumLock);
    LedTick(controls, ledPhase);
    EXPECT_TRUE(sound->played().empty());
    EXPECT_TRUE(controls.cleared.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "obx.dat"));
}

} // namespace
} // namespace ombrix
