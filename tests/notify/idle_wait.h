#pragma once
// The alarm's playing flags drop to zero when a sound has ended.

#include <atomic>
#include <cstdint>

namespace ombrix::test {

inline void waitUntilIdle(std::atomic<std::uint8_t>& busy) {
    for (std::uint8_t value = busy.load(); value != 0; value = busy.load())
        busy.wait(value);
}

} // namespace ombrix::test
