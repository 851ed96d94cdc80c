// Lock keys under X11 through XKB. Caps Lock and Num Lock are lock
// modifiers, so their state is set directly (a faked key press would not
// reach every server the same way); Scroll Lock has no modifier, only its
// named indicator.

#include "platform/keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace ombrix {
namespace {

class X11Keyboard final : public Keyboard {
public:
    X11Keyboard() : display_(openWithXkb()) {
        if (!display_)
            return;
        scrollLockIndicator_ = XInternAtom(display_, "Scroll Lock", False);
        numLockMask_ = modifierMaskOf(XK_Num_Lock);
    }
    ~X11Keyboard() override {
        if (display_)
            XCloseDisplay(display_);
    }
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    bool lockState(LockKey key) override {
        if (!display_)
            return false;
        if (key == LockKey::ScrollLock) {
            Bool on = False;
            XkbGetNamedIndicator(display_, scrollLockIndicator_, nullptr, &on, nullptr, nullptr);
            return on;
        }
        const unsigned mask = maskOf(key);
        XkbStateRec state{};
        if (mask == 0 || XkbGetState(display_, XkbUseCoreKbd, &state) != Success)
            return false;
        return (state.locked_mods & mask) != 0;
    }

    void pressAndRelease(LockKey key) override {
        if (!display_)
            return;
        const bool wanted = !lockState(key);
        if (key == LockKey::ScrollLock) {
            XkbSetNamedIndicator(display_, scrollLockIndicator_, True, wanted ? True : False, False,
                                 nullptr);
        } else if (const unsigned mask = maskOf(key)) {
            XkbLockModifiers(display_, XkbUseCoreKbd, mask, wanted ? mask : 0);
        }
        XSync(display_, False);
    }

    bool isHeld(LockKey key) override {
        if (!display_)
            return false;
        const KeyCode code = XKeysymToKeycode(display_, keysymOf(key));
        if (code == 0)
            return false;
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        return (static_cast<unsigned char>(keys[code / 8]) >> (code % 8)) & 1;
    }

private:
    static Display* openWithXkb() {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return nullptr;
        int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
        if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
            XCloseDisplay(display);
            return nullptr;
        }
        return display;
    }

    static KeySym keysymOf(LockKey key) {
        switch (key) {
        case LockKey::CapsLock:
            return XK_Caps_Lock;
        case LockKey::NumLock:
            return XK_Num_Lock;
        case LockKey::ScrollLock:
            return XK_Scroll_Lock;
        }
        return NoSymbol;
    }

    unsigned maskOf(LockKey key) const {
        return key == LockKey::CapsLock ? LockMask : key == LockKey::NumLock ? numLockMask_ : 0;
    }

    // The modifier bit that the key is mapped to, 0 when it is none.
    unsigned modifierMaskOf(KeySym keysym) const {
        const KeyCode code = XKeysymToKeycode(display_, keysym);
        XModifierKeymap* map = XGetModifierMapping(display_);
        if (!map)
            return 0;
        unsigned mask = 0;
        for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (code != 0 && map->modifiermap[modifier * map->max_keypermod + i] == code)
                    mask = 1u << modifier;
            }
        }
        XFreeModifiermap(map);
        return mask;
    }

    Display* display_;
    Atom scrollLockIndicator_ = None;
    unsigned numLockMask_ = 0;
};

} // namespace

std::shared_ptr<Keyboard> makeX11Keyboard() {
    return std::make_shared<X11Keyboard>();
}

} // namespace ombrix
