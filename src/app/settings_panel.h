#pragma once
// The notification panel of the main window and its check interval controls.
// Every control edits one setting at once and saves the settings file; there
// is no OK step. The controls are the window's own (its dialog template); the
// panel gives them their behaviour and re-arms the timers through its host.

#include "app/list_notifications.h"
#include "dialogs/wave_file_chooser.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace ombrix {

class DialogControls;

inline constexpr int kMinCheckInterval = 2, kMaxCheckInterval = 60, kCheckIntervalTick = 5;
inline constexpr int kMinRepeatSeconds = 10, kMaxRepeatSeconds = 240, kRepeatSecondsTick = 10;

class SettingsPanel : public QObject {
    Q_OBJECT

public:
    // `controls` are the window's controls by id (res/main_dialog_template.h);
    // they, like the host, must outlive the panel.
    SettingsPanel(const DialogControls& controls, NotificationHost& host,
                  QObject* parent = nullptr);

    // Sets every control from the settings without reacting to it: ranges and
    // ticks of the sliders, their positions (the settings' slider texts take
    // them), the sound list, the speaker image of the test buttons.
    void fillFromSettings();

    // Asks for a wave file; nullopt when cancelled. The default opens a
    // QFileDialog prepared by prepareWaveFileDialog.
    using FileChooser = WaveFileChooser;
    void setFileChooser(FileChooser chooser);
    // Called after the IMAP IDLE box has changed the setting and saved it.
    void setIdleSwitched(std::function<void()> switched) { idleSwitched_ = std::move(switched); }

private:
    template <class Widget> Widget* get(int id) const;
    void connectControls();
    void setBox(int id, bool checked);

    void onLedBox(std::uint8_t& setting, bool checked);
    void onCapsLockBox(bool checked);
    void onFlagBox(std::uint8_t& setting, bool checked);
    void onBrowse();
    void onPattern(int index);
    void onIntervalSlider(int position);
    void onRepeatSlider(int position);
    void onRepeatBox(bool checked);
    void onPopupBox(bool checked);
    void onDesktopNotifyBox(bool checked);
    void onIdleBox(bool checked);
    void restartLedTimerIfUnread();
    void showDesktopLimits();
    void save();

    const DialogControls& controls_;
    NotificationHost& host_;
    FileChooser chooseFile_;
    std::function<void()> idleSwitched_;
};

} // namespace ombrix
