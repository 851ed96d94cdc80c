#pragma once
// The running light over the lock-key LEDs, one step per tick of LedTimer,
// and the silencing of every alarm by a held Scroll Lock or Num Lock key.
// Everything here runs on the window thread.

#include "notify/alarm_controls.h"
#include "platform/keyboard.h"

#include <cstdint>

namespace ombrix {

// Makes the key's lock state the wanted one with a press and release; a key
// already in that state gets no key event.
void SetLockState(LockKey key, bool wanted);

// One tick of LedTimer. `ledPhase` is the position of the light, the
// window's: Caps Lock lights in phase 0, Scroll Lock in 1, Num Lock in 2.
// Never reset, so a new alarm goes on where the last one stopped.
void LedTick(AlarmControls& controls, std::int8_t& ledPhase);

} // namespace ombrix
