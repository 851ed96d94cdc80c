#pragma once
// Manual-reset events opened by name within the process, and a millisecond
// tick count. Opening a name that is already open gives the same event (its
// initial state is then ignored); the event lives while a handle to it lives.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace ombrix {

inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

class Event {
public:
    explicit Event(bool signalled) : signalled_(signalled) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;
    // True when the event was signalled within timeoutMs (kWaitForever: no limit).
    bool wait(std::uint32_t timeoutMs);

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

using EventHandle = std::shared_ptr<Event>;

// Creates the event, or opens the existing one of that name.
EventHandle openEvent(const std::string& name, bool initiallySignalled);

// Milliseconds of a steady clock; only differences mean anything.
std::uint64_t TickCount();

} // namespace ombrix
