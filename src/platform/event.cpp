#include "platform/event.h"

#include <chrono>
#include <map>

namespace ombrix {

void Event::set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::isSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Event::wait(std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs == kWaitForever) {
        changed_.wait(lock, [this] { return signalled_; });
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return signalled_; });
}

EventHandle openEvent(const std::string& name, bool initiallySignalled) {
    static std::mutex registryMutex;
    static std::map<std::string, std::weak_ptr<Event>> registry;
    std::lock_guard lock(registryMutex);
    std::weak_ptr<Event>& slot = registry[name];
    if (EventHandle existing = slot.lock()) {
        return existing;
    }
    auto created = std::make_shared<Event>(initiallySignalled);
    slot = created;
    return created;
}

std::uint64_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace ombrix
