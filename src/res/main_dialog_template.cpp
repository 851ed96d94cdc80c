#include "res/main_dialog_template.h"

namespace ombrix::res {
namespace {

// Places are in dialog units; the window's resize layout moves most controls
// at once, so the sizes below are what matters for the controls it only moves:
// each fills the gap the layout leaves up to its right-hand neighbour.
constexpr ControlTemplate mainControls[] = {
    {kBanner, ControlKind::Picture, 118, 1, 237, 26, nullptr, nullptr},
    {kMailsGroup, ControlKind::GroupBox, 7, 25, 454, 173, "Mails", nullptr},
    {kAccountList, ControlKind::ListView, 14, 38, 440, 68, nullptr, nullptr},
    {kMailList, ControlKind::ListView, 14, 110, 440, 82, nullptr, nullptr},
    {kIntervalLabel, ControlKind::StaticText, 77, 202, 52, 9,
     "Mailprüf-Intervall:", "mailcheck period: "},
    {kIntervalNumber, ControlKind::Edit, 139, 200, 21, 12, nullptr, nullptr,
     style::ReadOnly | style::Numeric},
    {kMinutesLabel, ControlKind::StaticText, 166, 202, 22, 9, "Minuten", "minutes"},
    {kIntervalSlider, ControlKind::Slider, 194, 199, 77, 12, nullptr, nullptr},
    {kCheckNowButton, ControlKind::PushButton, 288, 200, 85, 13, "jetzt auf Mails prüfen",
     "check mails now"},
    // Beyond the described window: new mail at once through IMAP IDLE. The
    // resize layout places it beside "check mails now".
    {kIdleBox, ControlKind::CheckBox, 288, 214, 150, 10, "Sofort benachrichtigen (IMAP IDLE)",
     "notify at once (IMAP IDLE)"},
    // Beyond the described window: why the passwords stay in obx.dat, under
    // the mail list while there is a reason (the resize layout makes room).
    {kKeyringNotice, ControlKind::StaticText, 14, 186, 440, 9, nullptr, nullptr, style::Hidden},
    {kNotificationGroup, ControlKind::GroupBox, 6, 225, 457, 77, "Benachrichtigung bei Email",
     "Notification"},
    {kLedGroup, ControlKind::GroupBox, 19, 236, 78, 59, "Tastatur LED", "Keyboard LED"},
    {kScrollLockBox, ControlKind::CheckBox, 32, 252, 52, 10, "Scroll Lock", nullptr},
    {kNumLockBox, ControlKind::CheckBox, 32, 265, 52, 10, "Num Lock", nullptr},
    {kCapsLockBox, ControlKind::CheckBox, 32, 278, 52, 10, "Caps Lock", nullptr},
    {kAudioGroup, ControlKind::GroupBox, 104, 236, 253, 59, "Audio", nullptr},
    {kWaveBox, ControlKind::CheckBox, 124, 250, 45, 10, "Wavefile", nullptr},
    {kSpeakerBox, ControlKind::CheckBox, 124, 266, 45, 10, "PC Speaker", nullptr},
    {kRepeatBox, ControlKind::CheckBox, 124, 282, 78, 10, "Alarm wiederholen, jede",
     "repeat alarm, every"},
    {kWaveTestButton, ControlKind::PushButton, 178, 248, 12, 11, nullptr, nullptr},
    {kSpeakerTestButton, ControlKind::PushButton, 178, 265, 12, 11, nullptr, nullptr},
    {kWavePath, ControlKind::Edit, 193, 247, 71, 12, nullptr, nullptr, style::ReadOnly},
    {kPatternCombo, ControlKind::ComboBox, 193, 264, 143, 80, nullptr, nullptr},
    {kRepeatNumber, ControlKind::Edit, 215, 280, 20, 12, nullptr, nullptr,
     style::ReadOnly | style::Numeric},
    {kSecondsLabel, ControlKind::StaticText, 242, 282, 31, 9, "Sekunden", "seconds"},
    {kBrowseButton, ControlKind::PushButton, 279, 247, 68, 12, "durchsuchen...", "browse..."},
    {kRepeatSlider, ControlKind::Slider, 279, 279, 68, 12, nullptr, nullptr},
    // The audio group frames its three columns, up to the browse button's end;
    // the message box group beside it has room for its longest German text.
    {kPopupGroup, ControlKind::GroupBox, 330, 236, 129, 59, "Nachrichten Fenster", "Message Box"},
    {kPopupBox, ControlKind::CheckBox, 340, 256, 99, 10, "Popup aktivieren", "activate popup"},
    {kPopupAutoCloseBox, ControlKind::CheckBox, 340, 268, 99, 10, "automatisch wieder schliessen",
     "close automatically"},
    {kDesktopNotifyBox, ControlKind::CheckBox, 340, 280, 99, 10, "Desktop-Benachrichtigung",
     "desktop notification"},
    {kUnusedButton, ControlKind::PushButton, 0, 0, 1, 1, "OK", nullptr, style::Hidden},
    {kUnusedEdit, ControlKind::Edit, 0, 0, 1, 1, nullptr, nullptr, style::Hidden},
    {kUnusedList, ControlKind::ListView, 0, 0, 1, 1, nullptr, nullptr, style::Hidden},
};

} // namespace

const DialogTemplate mainDialogTemplate{
    kMainDialogId, 468, 313, "Ombrix 2.5", "Ombrix 2.5", style::Resizable, mainControls};

} // namespace ombrix::res
