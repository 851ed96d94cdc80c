#pragma once
// The running light over the lock-key LEDs, one step per tick of LedTimer,
// and the silencing of every alarm by a held Scroll Lock or Num Lock key.
// Everything here runs on the window thread.

#include "platform/keyboard.h"

#include <cstdint>

namespace ombrix {

// The five settings that announce new mail, in the order a silencing
// switches them off.
enum class AlarmSetting { WaveAlarm, SpeakerAlarm, NumLockLed, ScrollLockLed, CapsLockLed };

// The window's side of a silencing; the settings themselves and the save are
// done here.
class AlarmControls {
public:
    virtual ~AlarmControls() = default;
    // Clears the setting's check box in the notification panel.
    virtual void clearCheckBox(AlarmSetting setting) = 0;
    // An LED setting has just been switched off as its check box would do it:
    // the window restarts LedTimer at 300 ms when unread mail exists.
    virtual void ledSettingSwitchedOff(LockKey key) = 0;
};

// Makes the key's lock state the wanted one with a press and release; a key
// already in that state gets no key event.
void SetLockState(LockKey key, bool wanted);

// One tick of LedTimer. `ledPhase` is the position of the light, the
// window's: Caps Lock lights in phase 0, Scroll Lock in 1, Num Lock in 2.
// Never reset, so a new alarm goes on where the last one stopped.
void LedTick(AlarmControls& controls, std::int8_t& ledPhase);

} // namespace ombrix
