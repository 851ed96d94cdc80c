#pragma once
// The notification and window settings: one process-wide record, owned by the
// window thread, read by the notification parts.

#include <cstdint>
#include <string>

namespace ombrix {

struct Settings {
    std::uint8_t numLockLed = 0;
    std::uint8_t capsLockLed = 0;
    std::uint8_t scrollLockLed = 1;
    std::uint8_t waveAlarm = 0;
    std::string waveFile;
    std::uint8_t speakerAlarm = 0;
    std::uint8_t beepPattern = 0;    // index into the sound combo box
    std::int32_t checkInterval = 30; // minutes
    std::uint8_t repeatSeconds = 100;
    std::uint8_t repeatAlarm = 0;
    std::uint8_t popupEnabled = 0;
    std::uint8_t popupAutoClose = 0;
    std::uint8_t startWithWindows = 0; // the autostart entry exists
    std::uint8_t markAllHint = 1;
    std::uint8_t windowMaximized = 0;
    std::int32_t windowWidth = 710;
    std::int32_t windowHeight = 563;

    // The slider positions as decimal text: these, not the numbers above, are
    // what the settings file stores for the interval and the repeat period.
    std::string checkIntervalText;
    std::string repeatSecondsText;
};

// The values used when obx.dat does not exist.
Settings missingFileSettings();
// The values used when obx.dat exists but its first line is not our header.
Settings wrongHeaderSettings();

inline Settings settings = missingFileSettings();

} // namespace ombrix
