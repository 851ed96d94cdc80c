#pragma once
// The main window's template and the ids of its controls.

#include "platform/dialog_template.h"

namespace ombrix::res {

inline constexpr int kMainDialogId = 102;

// Controls of the main window, by id.
enum MainControl : int {
    kUnusedButton = 1,
    kUnusedEdit = 1000,
    kIntervalNumber = 1001,
    kUnusedList = 1006,
    kWavePath = 1007,
    kRepeatNumber = 1008,
    kMailList = 1009,
    kCheckNowButton = 1011,
    kAccountList = 1013,
    kNumLockBox = 1021,
    kCapsLockBox = 1022,
    kScrollLockBox = 1023,
    kSpeakerTestButton = 1024,
    kBrowseButton = 1025,
    kWaveBox = 1026,
    kSpeakerBox = 1028,
    kPatternCombo = 1030,
    kWaveTestButton = 1031,
    kRepeatBox = 1035,
    kRepeatSlider = 1036,
    kIntervalSlider = 1037,
    kBanner = 1040,
    kPopupBox = 1043,
    kPopupAutoCloseBox = 1047,
    kMailsGroup = 1051,
    kNotificationGroup = 1052,
    kLedGroup = 1053,
    kAudioGroup = 1054,
    kSecondsLabel = 1055,
    kPopupGroup = 1056,
    kIntervalLabel = 1057,
    kMinutesLabel = 1058,
    kDesktopNotifyBox = 1059,
    kIdleBox = 1060,
    kKeyringNotice = 1061,
};

extern const DialogTemplate mainDialogTemplate;

} // namespace ombrix::res
