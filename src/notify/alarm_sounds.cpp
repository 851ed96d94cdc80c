#include "notify/alarm_sounds.h"

#include "config/settings.h"
#include "notify/beep_patterns.h"

#include <system_error>
#include <thread>

namespace ombrix {
namespace {

void release(std::atomic<std::uint8_t>& busy) {
    busy.store(0);
    busy.notify_all();
}

// Takes the busy flag and starts the thread; a thread that cannot be created
// gives the flag back, so the next start may try again.
template <typename Body> bool startOnce(std::atomic<std::uint8_t>& busy, Body body) {
    std::uint8_t idle = 0;
    if (!busy.compare_exchange_strong(idle, 1))
        return false;
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error&) {
        release(busy);
        return false;
    }
    return true;
}

} // namespace

int PlayWaveThread(const std::string& file, const std::shared_ptr<SoundDevice>& device) {
    device->playFile(file);
    release(wavePlaying);
    return 0;
}

int PlayBeepThread(std::uint8_t pattern, const std::shared_ptr<SoundDevice>& device) {
    if (ntFamily == 0) {
        const Tone only[] = {kOldSystemSpeakerTone};
        device->playTones(only);
    } else {
        device->playTones(beepPatternTones(pattern));
    }
    release(beepPlaying);
    return 0;
}

// The thread gets its own copies of the file name and the device: the window
// may change the settings or the process may be ending while it plays.
bool startWaveSound() {
    return startWaveSound(settings.waveFile);
}

bool startWaveSound(const std::string& file) {
    return startOnce(wavePlaying, [file, device = soundDevice()] { PlayWaveThread(file, device); });
}

bool startBeepSound() {
    return startOnce(beepPlaying, [pattern = settings.beepPattern, device = soundDevice()] {
        PlayBeepThread(pattern, device);
    });
}

} // namespace ombrix
