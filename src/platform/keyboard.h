#pragma once
// The keyboard's three lock keys: their lock states (and so their LEDs), a
// press-and-release of a key, and whether a key is held down right now. Used
// on the window thread only. Without an X display every call is a no-op and
// every state reads as off.

#include <cstdint>
#include <memory>

namespace ombrix {

// Values are the virtual key codes the settings and the light speak of.
enum class LockKey : std::uint8_t { CapsLock = 0x14, NumLock = 0x90, ScrollLock = 0x91 };

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // The key's lock state: on when its LED is lit.
    virtual bool lockState(LockKey key) = 0;
    // Presses and releases the key once, which flips its lock state.
    virtual void pressAndRelease(LockKey key) = 0;
    // The key is held down at this moment.
    virtual bool isHeld(LockKey key) = 0;
};

std::shared_ptr<Keyboard> keyboard();
// nullptr restores the X11 keyboard.
void installKeyboard(std::shared_ptr<Keyboard> replacement);

// Opens its own connection to $DISPLAY.
std::shared_ptr<Keyboard> makeX11Keyboard();
// Every call a no-op and every state off: for a session whose X display (if
// any, as XWayland's) reaches no real keyboard, where flipping a lock state
// would only change what X programs type.
std::shared_ptr<Keyboard> makeUnreachableKeyboard();

} // namespace ombrix
