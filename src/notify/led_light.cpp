#include "notify/led_light.h"

#include "config/settings.h"
#include "config/state_store.h"
#include "notify/beep_patterns.h"
#include "platform/sound_device.h"

namespace ombrix {
namespace {

bool silencingKeyHeld() {
    const auto keys = keyboard();
    return keys->isHeld(LockKey::ScrollLock) || keys->isHeld(LockKey::NumLock);
}

bool anyAlarmOn() {
    return settings.waveAlarm || settings.speakerAlarm || settings.numLockLed ||
           settings.scrollLockLed || settings.capsLockLed;
}

void switchOffSound(std::uint8_t& value, AlarmSetting setting, AlarmControls& controls) {
    if (!value)
        return;
    controls.clearCheckBox(setting);
    value = 0;
}

void switchOffLed(std::uint8_t& value, AlarmSetting setting, LockKey key, AlarmControls& controls) {
    if (!value)
        return;
    controls.clearCheckBox(setting);
    value = 0;
    controls.ledSettingSwitchedOff(key);
}

// The tones confirm the silencing and block the window for their 1.5 s. With
// every alarm already off there is nothing to confirm: the key is then just a
// key (Num Lock is pressed in normal typing while the timer still runs for
// unread mail).
void silenceAlarms(AlarmControls& controls) {
    if (!anyAlarmOn())
        return;
    soundDevice()->playTones(silencingTones());
    switchOffSound(settings.waveAlarm, AlarmSetting::WaveAlarm, controls);
    switchOffSound(settings.speakerAlarm, AlarmSetting::SpeakerAlarm, controls);
    switchOffLed(settings.numLockLed, AlarmSetting::NumLockLed, LockKey::NumLock, controls);
    switchOffLed(settings.scrollLockLed, AlarmSetting::ScrollLockLed, LockKey::ScrollLock,
                 controls);
    switchOffLed(settings.capsLockLed, AlarmSetting::CapsLockLed, LockKey::CapsLock, controls);
    saveState(SaveKind::SettingsFile);
}

} // namespace

void SetLockState(LockKey key, bool wanted) {
    const auto keys = keyboard();
    if (keys->lockState(key) != wanted)
        keys->pressAndRelease(key);
}

void LedTick(AlarmControls& controls, std::int8_t& ledPhase) {
    if (silencingKeyHeld())
        silenceAlarms(controls);
    if (settings.numLockLed)
        SetLockState(LockKey::NumLock, ledPhase == 2);
    if (settings.scrollLockLed)
        SetLockState(LockKey::ScrollLock, ledPhase == 1);
    if (settings.capsLockLed)
        SetLockState(LockKey::CapsLock, ledPhase == 0);
    ledPhase = ledPhase >= 2 ? 0 : static_cast<std::int8_t>(ledPhase + 1);
}

} // namespace ombrix
