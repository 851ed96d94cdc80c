#include "config/settings.h"

namespace ombrix {

Settings missingFileSettings() {
    return Settings{};
}

Settings wrongHeaderSettings() {
    Settings s;
    s.waveFile = "mail.wav";
    s.speakerAlarm = 1;
    s.checkInterval = 3;
    s.repeatSeconds = 10;
    s.repeatAlarm = 1;
    s.popupEnabled = 1;
    return s;
}

} // namespace ombrix
