#pragma once
// Single-byte flags shared by the window thread and the worker runs. Each has
// one writer at a time; atomics keep the meaning and remove the data race.

#include <atomic>
#include <cstdint>

namespace ombrix {

using SharedFlag = std::atomic<std::uint8_t>;

inline SharedFlag checkRunning{0};
inline SharedFlag deleteRunning{0};
inline SharedFlag abortRequest{0};
inline SharedFlag dataIdle{1}; // 0 while a run commits or a file is written
inline SharedFlag windowHidden{0};
inline SharedFlag waitDialogReady{0};
inline SharedFlag closeOnButton{0};
inline SharedFlag imapRefused{0};

} // namespace ombrix
