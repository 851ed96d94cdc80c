#pragma once
// A keyboard whose lock states live in memory: it records every key event
// and can be told that a key is held down.

#include "platform/keyboard.h"

#include <map>
#include <set>
#include <vector>

namespace ombrix::test {

class RecordingKeyboard final : public Keyboard {
public:
    bool lockState(LockKey key) override { return locked_[key]; }
    void pressAndRelease(LockKey key) override {
        events_.push_back(key);
        locked_[key] = !locked_[key];
    }
    bool isHeld(LockKey key) override { return held_.contains(key); }

    void setLocked(LockKey key, bool on) { locked_[key] = on; }
    void hold(LockKey key) { held_.insert(key); }
    void letGo(LockKey key) { held_.erase(key); }
    const std::vector<LockKey>& events() const { return events_; }
    void forgetEvents() { events_.clear(); }

private:
    std::map<LockKey, bool> locked_;
    std::set<LockKey> held_;
    std::vector<LockKey> events_;
};

} // namespace ombrix::test
