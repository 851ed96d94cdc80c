#pragma once
// What a silencing of the alarms (a held Scroll Lock or Num Lock key, see
// notify/led_light.h) asks of the window.

#include "platform/keyboard.h"

namespace ombrix {

// The five settings that announce new mail, in the order a silencing
// switches them off.
enum class AlarmSetting { WaveAlarm, SpeakerAlarm, NumLockLed, ScrollLockLed, CapsLockLed };

// The window's side of a silencing; LedTick switches the settings off and
// saves them itself.
class AlarmControls {
public:
    virtual ~AlarmControls() = default;
    // Clears the setting's check box in the notification panel.
    virtual void clearCheckBox(AlarmSetting setting) = 0;
    // An LED setting has just been switched off as its check box would do it:
    // the window restarts LedTimer at 300 ms when unread mail exists.
    virtual void ledSettingSwitchedOff(LockKey key) = 0;
};

} // namespace ombrix
