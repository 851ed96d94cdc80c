#pragma once
// The two alarm sounds, each on a short-lived thread of its own so that the
// window never waits: the wave file and the speaker pattern. A busy flag per
// sound keeps a second copy from starting while the first still plays.

#include "platform/sound_device.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace ombrix {

// 1 while the sound's thread plays. The thread clears the flag and notifies
// waiters (std::atomic::wait) when its sound has ended.
inline std::atomic<std::uint8_t> wavePlaying{0};
inline std::atomic<std::uint8_t> beepPlaying{0};

// 1 on every system we run on; 0 would stand for the old systems whose
// speaker only knew one tone.
inline std::atomic<std::uint8_t> ntFamily{1};

// Start the sound from the current settings (waveFile, beepPattern) unless it
// plays already. Testing the busy flag and taking it is one step, so two
// quick starts never play twice. True when a thread was started.
bool startWaveSound();
bool startBeepSound();
// The wave sound with another file than the settings' (an account's own),
// under the same busy flag: one wave at a time, whichever file it plays.
bool startWaveSound(const std::string& file);

// The thread bodies. Each is entered with its busy flag already taken by the
// starter and gives it back at the end; both return 0.
// Runs on the wave thread.
int PlayWaveThread(const std::string& file, const std::shared_ptr<SoundDevice>& device);
// Runs on the speaker thread.
int PlayBeepThread(std::uint8_t pattern, const std::shared_ptr<SoundDevice>& device);

} // namespace ombrix
