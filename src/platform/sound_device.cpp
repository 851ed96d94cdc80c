#include "platform/sound_device.h"

#include <atomic>

namespace ombrix {
namespace {

std::atomic<std::shared_ptr<SoundDevice>>& installed() {
    // Never destroyed: a sound thread still playing while the process exits
    // must not find the holder gone.
    static auto* device = new std::atomic<std::shared_ptr<SoundDevice>>(makeAlsaSoundDevice());
    return *device;
}

} // namespace

std::shared_ptr<SoundDevice> soundDevice() {
    return installed().load();
}

void installSoundDevice(std::shared_ptr<SoundDevice> device) {
    installed().store(device ? std::move(device) : makeAlsaSoundDevice());
}

} // namespace ombrix
