#pragma once
// A sound device that records what it was asked to play and, when told to,
// holds every sound until released, so a test can act while one "plays".

#include "platform/sound_device.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace ombrix::test {

struct PlayedSound {
    std::string file; // empty for a tone sequence
    std::vector<Tone> tones;
};

class RecordingSound final : public SoundDevice {
public:
    void playFile(const std::string& path) override { play({path, {}}); }
    void playTones(std::span<const Tone> tones) override {
        play({{}, std::vector<Tone>(tones.begin(), tones.end())});
    }

    void holdSounds() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void releaseSounds() {
        {
            std::lock_guard lock(mutex_);
            holding_ = false;
        }
        changed_.notify_all();
    }
    // Waits until `count` sounds have begun.
    void waitForStarted(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return played_.size() >= count; });
    }
    std::vector<PlayedSound> played() const {
        std::lock_guard lock(mutex_);
        return played_;
    }

private:
    void play(PlayedSound sound) {
        std::unique_lock lock(mutex_);
        played_.push_back(std::move(sound));
        changed_.notify_all();
        changed_.wait(lock, [&] { return !holding_; });
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<PlayedSound> played_;
    bool holding_ = false;
};

} // namespace ombrix::test
