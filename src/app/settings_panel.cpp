#include "app/settings_panel.h"

#include "app/desktop_limits.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "notify/beep_patterns.h"
#include "platform/desktop_session.h"
#include "platform/dialog_builder.h"
#include "platform/message_box.h"
#include "res/icons.h"
#include "res/main_dialog_template.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace ombrix {
namespace {

using namespace res;

const char* capsLockHint() {
    return Text("Tipp:\nVerwenden Sie das Capslock Blinken nicht wenn Sie Texte schreiben,\nda "
                "periodisch die Groß/Kleinschreibung verändert wird.\n\nVerwenden Sie in diesem "
                "Fall das Blinken ungenutzter Tasten, wie Scroll Lock oder Num Lock.",
                "Hint:\nDo not use capslock flashing when writing a text,\nIt will periodically "
                "switch lower/upper case typing.\n\nUse the flashing of unused keys instead, like "
                "scroll lock or num lock.");
}

void prepareSlider(QSlider* slider, int minimum, int maximum, int tick) {
    if (!slider)
        return;
    slider->setRange(minimum, maximum);
    slider->setTickInterval(tick);
    slider->setTickPosition(QSlider::TicksBelow);
}

constexpr int kPanelControls[] = {
    kScrollLockBox,  kNumLockBox,   kCapsLockBox,      kWaveBox,
    kSpeakerBox,     kRepeatBox,    kPopupBox,         kPopupAutoCloseBox,
    kWavePath,       kPatternCombo, kIntervalSlider,   kRepeatSlider,
    kIntervalNumber, kRepeatNumber, kDesktopNotifyBox, kIdleBox};

} // namespace

SettingsPanel::SettingsPanel(const DialogControls& controls, NotificationHost& host,
                             QObject* parent)
    : QObject(parent), controls_(controls), host_(host), chooseFile_(chooseWaveFile) {
    connectControls();
}

template <class Widget> Widget* SettingsPanel::get(int id) const {
    return controls_.get<Widget>(id);
}

void SettingsPanel::setFileChooser(FileChooser chooser) {
    chooseFile_ = std::move(chooser);
}

void SettingsPanel::connectControls() {
    auto onClick = [this](int id, auto handler) {
        if (auto* button = get<QAbstractButton>(id))
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(kScrollLockBox, [this](bool on) { onLedBox(settings.scrollLockLed, on); });
    onClick(kNumLockBox, [this](bool on) { onLedBox(settings.numLockLed, on); });
    onClick(kCapsLockBox, [this](bool on) { onCapsLockBox(on); });
    onClick(kWaveBox, [this](bool on) { onFlagBox(settings.waveAlarm, on); });
    onClick(kSpeakerBox, [this](bool on) { onFlagBox(settings.speakerAlarm, on); });
    onClick(kRepeatBox, [this](bool on) { onRepeatBox(on); });
    onClick(kPopupBox, [this](bool on) { onPopupBox(on); });
    onClick(kPopupAutoCloseBox, [this](bool on) { onFlagBox(settings.popupAutoClose, on); });
    onClick(kDesktopNotifyBox, [this](bool on) { onDesktopNotifyBox(on); });
    onClick(kIdleBox, [this](bool on) { onIdleBox(on); });
    onClick(kWaveTestButton, [this] { host_.startWaveAlarm(); });
    onClick(kSpeakerTestButton, [this] { host_.startSpeakerAlarm(); });
    onClick(kBrowseButton, [this] { onBrowse(); });
    if (auto* combo = get<QComboBox>(kPatternCombo))
        connect(combo, &QComboBox::currentIndexChanged, this, &SettingsPanel::onPattern);
    if (auto* slider = get<QSlider>(kIntervalSlider))
        connect(slider, &QSlider::valueChanged, this, &SettingsPanel::onIntervalSlider);
    if (auto* slider = get<QSlider>(kRepeatSlider))
        connect(slider, &QSlider::valueChanged, this, &SettingsPanel::onRepeatSlider);
}

void SettingsPanel::setBox(int id, bool checked) {
    if (auto* box = get<QCheckBox>(id))
        box->setChecked(checked);
}

void SettingsPanel::fillFromSettings() {
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (const int id : kPanelControls)
        if (QWidget* control = controls_.byId(id))
            quiet.push_back(std::make_unique<QSignalBlocker>(control));

    setBox(kScrollLockBox, settings.scrollLockLed == 1);
    setBox(kNumLockBox, settings.numLockLed == 1);
    setBox(kCapsLockBox, settings.capsLockLed == 1);
    setBox(kWaveBox, settings.waveAlarm == 1);
    setBox(kSpeakerBox, settings.speakerAlarm == 1);
    setBox(kRepeatBox, settings.repeatAlarm == 1);
    setBox(kPopupBox, settings.popupEnabled == 1);
    setBox(kPopupAutoCloseBox, settings.popupAutoClose == 1);
    if (QWidget* autoClose = controls_.byId(kPopupAutoCloseBox))
        autoClose->setEnabled(settings.popupEnabled == 1);
    setBox(kDesktopNotifyBox, readProgramConf().flag(kConfDesktopNotification, true));
    setBox(kIdleBox, readProgramConf().flag(kConfIdle, true));
    if (auto* path = get<QLineEdit>(kWavePath))
        path->setText(QFile::decodeName(settings.waveFile.c_str()));
    if (auto* combo = get<QComboBox>(kPatternCombo)) {
        if (combo->count() != kBeepPatternCount) {
            combo->clear();
            for (std::uint8_t i = 0; i < kBeepPatternCount; ++i)
                combo->addItem(QString::fromUtf8(beepPatternName(i)));
        }
        combo->setCurrentIndex(settings.beepPattern < kBeepPatternCount ? settings.beepPattern
                                                                        : -1);
    }
    for (const int id : {kWaveTestButton, kSpeakerTestButton})
        if (auto* button = get<QPushButton>(id))
            button->setIcon(res::icon(kIconSpeaker));

    // A stored value outside a slider's range shows, and is saved, as the
    // nearest end; the running period keeps the stored value until a change.
    auto* interval = get<QSlider>(kIntervalSlider);
    auto* repeat = get<QSlider>(kRepeatSlider);
    prepareSlider(interval, kMinCheckInterval, kMaxCheckInterval, kCheckIntervalTick);
    prepareSlider(repeat, kMinRepeatSeconds, kMaxRepeatSeconds, kRepeatSecondsTick);
    if (interval) {
        interval->setValue(settings.checkInterval);
        settings.checkIntervalText = std::to_string(interval->value());
    }
    if (repeat) {
        repeat->setValue(settings.repeatSeconds);
        settings.repeatSecondsText = std::to_string(repeat->value());
    }
    if (auto* number = get<QLineEdit>(kIntervalNumber))
        number->setText(QString::fromStdString(settings.checkIntervalText));
    if (auto* number = get<QLineEdit>(kRepeatNumber))
        number->setText(QString::fromStdString(settings.repeatSecondsText));
    showDesktopLimits();
}

// The LED settings stay as stored (the same directory may serve an X11
// session too); here they can only be shown, not used.
void SettingsPanel::showDesktopLimits() {
    const bool ledsReachable = lockLedsReachable();
    for (const int id : {kScrollLockBox, kNumLockBox, kCapsLockBox}) {
        if (QWidget* box = controls_.byId(id)) {
            box->setEnabled(ledsReachable);
            box->setToolTip(ledsReachable ? QString()
                                          : QString::fromStdString(ledsUnreachableText()));
        }
    }
    std::string notice = keyringNotice();
    const std::string limits = desktopLimitsNotice();
    if (!notice.empty() && !limits.empty())
        notice += "  ";
    if (auto* label = get<QLabel>(kKeyringNotice))
        label->setText(QString::fromStdString(notice + limits));
}

void SettingsPanel::restartLedTimerIfUnread() {
    if (host_.windowState().alarmingUnread > 0)
        host_.armLedTimer(kLedUnreadPeriod);
}

void SettingsPanel::onLedBox(std::uint8_t& setting, bool checked) {
    setting = checked ? 1 : 0;
    restartLedTimerIfUnread();
    save();
}

// Flashing Caps Lock changes what the user types, so switching it on warns first.
void SettingsPanel::onCapsLockBox(bool checked) {
    if (checked)
        messageBox(capsLockHint(), BoxKind::Information);
    onLedBox(settings.capsLockLed, checked);
}

void SettingsPanel::onFlagBox(std::uint8_t& setting, bool checked) {
    setting = checked ? 1 : 0;
    save();
}

void SettingsPanel::onBrowse() {
    if (const std::optional<QString> path = chooseFile_(controls_.byId(kBrowseButton))) {
        settings.waveFile = QFile::encodeName(*path).toStdString();
        if (auto* shown = get<QLineEdit>(kWavePath))
            shown->setText(QFileInfo(*path).fileName());
    }
    save();
}

void SettingsPanel::onPattern(int index) {
    settings.beepPattern = static_cast<std::uint8_t>(index < 0 ? 0 : index);
    save();
}

void SettingsPanel::onIntervalSlider(int position) {
    settings.checkInterval = position;
    const QString shown = QString::number(position);
    if (auto* number = get<QLineEdit>(kIntervalNumber))
        number->setText(shown);
    host_.armCheckTimer(position * 60000);
    settings.checkIntervalText = shown.toStdString();
    save();
}

void SettingsPanel::onRepeatSlider(int position) {
    settings.repeatSeconds = static_cast<std::uint8_t>(position);
    const QString shown = QString::number(position);
    if (auto* number = get<QLineEdit>(kRepeatNumber))
        number->setText(shown);
    if (settings.repeatAlarm == 1 && host_.windowState().alarmingUnread > 0)
        host_.armRepeatTimer(position * 1000);
    settings.repeatSecondsText = shown.toStdString();
    save();
}

// Repeating needs a sound to repeat.
void SettingsPanel::onRepeatBox(bool checked) {
    if (settings.waveAlarm == 0 && settings.speakerAlarm == 0) {
        setBox(kRepeatBox, false);
        settings.repeatAlarm = 0;
    } else {
        settings.repeatAlarm = checked ? 1 : 0;
        if (!checked)
            host_.stopRepeatTimer();
        else if (host_.windowState().alarmingUnread > 0)
            host_.armRepeatTimer(settings.repeatSeconds * 1000);
    }
    save();
}

void SettingsPanel::onPopupBox(bool checked) {
    settings.popupEnabled = checked ? 1 : 0;
    if (QWidget* autoClose = controls_.byId(kPopupAutoCloseBox))
        autoClose->setEnabled(checked);
    save();
}

// obx.dat has no place for this one: it lives in ombrix.conf.
void SettingsPanel::onDesktopNotifyBox(bool checked) {
    updateProgramConf(
        [checked](ProgramConf& conf) { conf.setFlag(kConfDesktopNotification, checked); });
}

void SettingsPanel::onIdleBox(bool checked) {
    updateProgramConf([checked](ProgramConf& conf) { conf.setSwitch(kConfIdle, checked); });
    if (idleSwitched_)
        idleSwitched_();
}

void SettingsPanel::save() {
    saveState(SaveKind::SettingsFile);
}

} // namespace ombrix
