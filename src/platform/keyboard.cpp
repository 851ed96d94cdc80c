#include "platform/keyboard.h"

namespace ombrix {
namespace {

// The window thread is the only user; no lock is needed.
std::shared_ptr<Keyboard>& installed() {
    static std::shared_ptr<Keyboard> current;
    return current;
}

class UnreachableKeyboard final : public Keyboard {
public:
    bool lockState(LockKey) override { return false; }
    void pressAndRelease(LockKey) override {}
    bool isHeld(LockKey) override { return false; }
};

} // namespace

std::shared_ptr<Keyboard> makeUnreachableKeyboard() {
    return std::make_shared<UnreachableKeyboard>();
}

std::shared_ptr<Keyboard> keyboard() {
    if (!installed())
        installed() = makeX11Keyboard();
    return installed();
}

void installKeyboard(std::shared_ptr<Keyboard> replacement) {
    installed() = std::move(replacement);
}

} // namespace ombrix
