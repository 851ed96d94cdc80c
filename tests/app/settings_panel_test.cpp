#include "app/recording_notification_host.h"
#include "app/settings_panel.h"
#include "app/window_notification_host.h"
#include "app/window_state.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "core/language.h"
#include "platform/dialog_builder.h"
#include "platform/window_timers.h"
#include "res/main_dialog_template.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using namespace res;
using test::RecordingNotificationHost;

class SettingsPanelTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
    }
    void TearDown() override { test::resetProcessState(); }

    // The panel over the window's own controls, filled from the settings.
    SettingsPanel& panel() {
        if (!panel_) {
            controls = buildDialog(window, mainDialogTemplate, Language);
            panel_ = std::make_unique<SettingsPanel>(controls, host);
            panel_->fillFromSettings();
        }
        return *panel_;
    }

    template <class Widget> Widget* get(int id) {
        panel();
        return controls.get<Widget>(id);
    }

    bool saved() const { return std::filesystem::exists(dir / "obx.dat"); }
    std::string savedFile() const { return test::readBytes(dir / "obx.dat"); }

    test::TempDir dir;
    test::ScriptedMessagePresenter boxes;
    RecordingNotificationHost host;
    QWidget window;
    DialogControls controls;
    std::unique_ptr<SettingsPanel> panel_;
};

TEST_F(SettingsPanelTest, FillsEveryControlFromTheSettings) {
    settings.numLockLed = 1;
    settings.scrollLockLed = 0;
    settings.capsLockLed = 2; // only exactly 1 ticks a box
    settings.speakerAlarm = 1;
    settings.beepPattern = 3;
    settings.waveFile = "/home/u/ding.wav";
    settings.popupEnabled = 0;
    settings.popupAutoClose = 1;
    settings.checkInterval = 15;
    settings.repeatSeconds = 120;

    EXPECT_TRUE(get<QCheckBox>(kNumLockBox)->isChecked());
    EXPECT_FALSE(get<QCheckBox>(kScrollLockBox)->isChecked());
    EXPECT_FALSE(get<QCheckBox>(kCapsLockBox)->isChecked());
    EXPECT_TRUE(get<QCheckBox>(kSpeakerBox)->isChecked());
    EXPECT_EQ(get<QComboBox>(kPatternCombo)->count(), 7);
    EXPECT_EQ(get<QComboBox>(kPatternCombo)->currentText(), "phone");
    EXPECT_EQ(get<QLineEdit>(kWavePath)->text(), "/home/u/ding.wav");
    EXPECT_TRUE(get<QCheckBox>(kPopupAutoCloseBox)->isChecked());
    EXPECT_FALSE(get<QCheckBox>(kPopupAutoCloseBox)->isEnabled());
    EXPECT_EQ(get<QLineEdit>(kIntervalNumber)->text(), "15");
    EXPECT_EQ(get<QLineEdit>(kRepeatNumber)->text(), "120");
    EXPECT_EQ(host.checkTimer, RecordingNotificationHost::kNeverTouched);
    EXPECT_FALSE(saved()); // filling changes nothing
}

struct SliderRow {
    const char* name;
    int id, minimum, maximum, tick;
};

class SliderRanges : public SettingsPanelTest, public testing::WithParamInterface<SliderRow> {};

TEST_P(SliderRanges, HaveTheirRangeAndTicks) {
    const SliderRow& row = GetParam();
    auto* slider = get<QSlider>(row.id);
    EXPECT_EQ(slider->minimum(), row.minimum);
    EXPECT_EQ(slider->maximum(), row.maximum);
    EXPECT_EQ(slider->tickInterval(), row.tick);
    EXPECT_NE(slider->tickPosition(), QSlider::NoTicks);
}

INSTANTIATE_TEST_SUITE_P(Panel, SliderRanges,
                         testing::Values(SliderRow{"Interval", kIntervalSlider, 2, 60, 5},
                                         SliderRow{"Repeat", kRepeatSlider, 10, 240, 10}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsPanelTest, AStoredNinetyMinutesShowsSixtyAndIsSavedAsSixty) {
    settings.checkInterval = 90;
    settings.repeatSeconds = 5;
    EXPECT_EQ(get<QSlider>(kIntervalSlider)->value(), 60);
    EXPECT_EQ(get<QLineEdit>(kIntervalNumber)->text(), "60");
    EXPECT_EQ(settings.checkInterval, 90); // the running period stays until the slider moves
    EXPECT_EQ(settings.checkIntervalText, "60");
    EXPECT_EQ(get<QSlider>(kRepeatSlider)->value(), 10);
    EXPECT_EQ(host.checkTimer, RecordingNotificationHost::kNeverTouched);

    get<QCheckBox>(kWaveBox)->click(); // any change saves
    EXPECT_NE(savedFile().find("\r\n=60\r\n=10\r\n"), std::string::npos);
}

TEST_F(SettingsPanelTest, IntervalSliderRestartsTheCheckPeriod) {
    get<QSlider>(kIntervalSlider)->setValue(2);
    EXPECT_EQ(host.checkTimer, 120000);
    EXPECT_EQ(settings.checkInterval, 2);
    EXPECT_EQ(settings.checkIntervalText, "2");
    EXPECT_EQ(get<QLineEdit>(kIntervalNumber)->text(), "2");
    EXPECT_TRUE(saved());
}

TEST(SettingsPanelTimers, IntervalChangeStartsAFullNewPeriodOnTheWindowTimer) {
    WindowTimers timers;
    WindowState state;
    WindowNotificationHost host(timers, state, {}, [] { return nullptr; });
    timers.set(CheckTimer, 30 * 60000);
    host.armCheckTimer(2 * 60000);
    EXPECT_TRUE(timers.isActive(CheckTimer));
    EXPECT_EQ(timers.interval(CheckTimer), 120000);
    EXPECT_GT(timers.remainingTime(CheckTimer), 60000); // the period began anew, not the old rest
    host.stopRepeatTimer();
    EXPECT_FALSE(timers.isActive(RepeatTimer));
    host.armMarkReadTimer();
    EXPECT_EQ(timers.interval(MarkReadTimer), 100);
}

TEST(SettingsPanelTimers, StoredPeriodsOfZeroKeepAFloor) {
    WindowTimers timers;
    WindowState state;
    WindowNotificationHost host(timers, state, {}, [] { return nullptr; });
    host.armRepeatTimer(0);
    EXPECT_EQ(timers.interval(RepeatTimer), 1000);
    host.armRepeatTimer(2000);
    EXPECT_EQ(timers.interval(RepeatTimer), 2000);
    host.armCheckTimer(0);
    EXPECT_EQ(timers.interval(CheckTimer), 60000);
}

TEST_F(SettingsPanelTest, RepeatWithBothSoundsOffStaysOff) {
    host.state.unreadTotal = host.state.alarmingUnread = 3;
    auto* repeat = get<QCheckBox>(kRepeatBox);
    repeat->click();
    EXPECT_FALSE(repeat->isChecked());
    EXPECT_EQ(settings.repeatAlarm, 0);
    EXPECT_EQ(host.repeatTimer, RecordingNotificationHost::kNeverTouched);
    EXPECT_TRUE(saved());
}

TEST_F(SettingsPanelTest, RepeatWithASoundArmsAndStopsTheRepeatTimer) {
    settings.speakerAlarm = 1;
    settings.repeatSeconds = 30;
    host.state.unreadTotal = host.state.alarmingUnread = 1;
    auto* repeat = get<QCheckBox>(kRepeatBox);
    repeat->click();
    EXPECT_EQ(settings.repeatAlarm, 1);
    EXPECT_EQ(host.repeatTimer, 30000);

    get<QSlider>(kRepeatSlider)->setValue(50);
    EXPECT_EQ(host.repeatTimer, 50000);
    EXPECT_EQ(settings.repeatSecondsText, "50");

    repeat->click();
    EXPECT_EQ(settings.repeatAlarm, 0);
    EXPECT_EQ(host.repeatTimer, RecordingNotificationHost::kStopped);
    get<QSlider>(kRepeatSlider)->setValue(60); // nothing to repeat: the timer stays off
    EXPECT_EQ(host.repeatTimer, RecordingNotificationHost::kStopped);
}

TEST_F(SettingsPanelTest, CapsLockHintOnlyWhenSwitchingOn) {
    auto* caps = get<QCheckBox>(kCapsLockBox);
    caps->click();
    EXPECT_EQ(settings.capsLockLed, 1);
    caps->click();
    EXPECT_EQ(settings.capsLockLed, 0);
    caps->click();
    const auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, BoxKind::Information);
    EXPECT_EQ(shown[0].text.rfind("Hint:\nDo not use capslock flashing", 0), 0u);
}

TEST_F(SettingsPanelTest, LedBoxesRestartTheLedTimerOnlyWhileMailIsUnread) {
    get<QCheckBox>(kNumLockBox)->click();
    EXPECT_EQ(settings.numLockLed, 1);
    EXPECT_EQ(host.ledTimer, RecordingNotificationHost::kNeverTouched);
    host.state.unreadTotal = 2; // in silent accounts only: nothing to light for
    get<QCheckBox>(kCapsLockBox)->click();
    EXPECT_EQ(host.ledTimer, RecordingNotificationHost::kNeverTouched);
    host.state.alarmingUnread = 2;
    get<QCheckBox>(kScrollLockBox)->click();
    EXPECT_EQ(settings.scrollLockLed, 0);
    EXPECT_EQ(host.ledTimer, 300);
}

TEST_F(SettingsPanelTest, CancelledBrowseKeepsThePathButSaves) {
    settings.waveFile = "/sounds/old.wav";
    panel().setFileChooser([](QWidget*) { return std::optional<QString>(); });
    get<QPushButton>(kBrowseButton)->click();
    EXPECT_EQ(settings.waveFile, "/sounds/old.wav");
    ASSERT_TRUE(saved());
    EXPECT_NE(savedFile().find("=/sounds/old.wav\r\n"), std::string::npos);
}

TEST_F(SettingsPanelTest, ChosenFileIsStoredWholeAndShownByName) {
    panel().setFileChooser([](QWidget*) { return std::optional<QString>("/sounds/new bell.wav"); });
    get<QPushButton>(kBrowseButton)->click();
    EXPECT_EQ(settings.waveFile, "/sounds/new bell.wav");
    EXPECT_EQ(get<QLineEdit>(kWavePath)->text(), "new bell.wav");
    EXPECT_TRUE(saved());
}

TEST(WaveFileDialog, OffersWaveFilesThenAllFiles) {
    QFileDialog dialog;
    prepareWaveFileDialog(dialog);
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"wave files (*.wav)", "all files (*)"}));
    EXPECT_EQ(dialog.defaultSuffix(), "wav");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
}

TEST_F(SettingsPanelTest, PopupBoxEnablesAutoCloseAndEachBoxSavesItsSetting) {
    auto* autoClose = get<QCheckBox>(kPopupAutoCloseBox);
    get<QCheckBox>(kPopupBox)->click();
    EXPECT_EQ(settings.popupEnabled, 1);
    EXPECT_TRUE(autoClose->isEnabled());
    autoClose->click();
    EXPECT_EQ(settings.popupAutoClose, 1);
    get<QCheckBox>(kPopupBox)->click();
    EXPECT_FALSE(autoClose->isEnabled());
    get<QComboBox>(kPatternCombo)->setCurrentIndex(5);
    EXPECT_EQ(settings.beepPattern, 5);
    EXPECT_TRUE(saved());
}

TEST_F(SettingsPanelTest, DesktopBoxIsOnByDefaultAndLivesInOmbrixConfNotObxDat) {
    auto* desktop = get<QCheckBox>(kDesktopNotifyBox);
    ASSERT_NE(desktop, nullptr);
    EXPECT_TRUE(desktop->isChecked());
    EXPECT_EQ(desktop->text(), "desktop notification");

    desktop->click();
    EXPECT_FALSE(readProgramConf().flag(kConfDesktopNotification, true));
    EXPECT_EQ(test::readBytes(dir / "ombrix.conf"), "desktopNotification=0\n");
    EXPECT_FALSE(saved()) << "obx.dat keeps its layout and is not touched";

    replaceProgramConf(loadProgramConf(dir / "ombrix.conf"));
    panel().fillFromSettings();
    EXPECT_FALSE(desktop->isChecked());
}

TEST_F(SettingsPanelTest, IdleBoxIsOnByDefaultAndSwitchesTheWatchersThroughOmbrixConf) {
    auto* idle = get<QCheckBox>(kIdleBox);
    ASSERT_NE(idle, nullptr);
    EXPECT_TRUE(idle->isChecked());
    EXPECT_EQ(idle->text(), "notify at once (IMAP IDLE)");
    int switched = 0;
    bool onWhenSwitched = true;
    panel().setIdleSwitched([&] {
        ++switched;
        onWhenSwitched = readProgramConf().flag(kConfIdle, true);
    });

    idle->click();
    EXPECT_EQ(switched, 1);
    EXPECT_FALSE(onWhenSwitched) << "the watchers follow the setting already changed";
    EXPECT_EQ(test::readBytes(dir / "ombrix.conf"), "idle=off\n");
    EXPECT_FALSE(saved()) << "obx.dat keeps its layout and is not touched";

    replaceProgramConf(loadProgramConf(dir / "ombrix.conf"));
    panel().fillFromSettings();
    EXPECT_FALSE(idle->isChecked());
    EXPECT_EQ(switched, 1) << "filling the panel switches nothing";
    idle->click();
    EXPECT_EQ(test::readBytes(dir / "ombrix.conf"), "idle=on\n");
}

TEST_F(SettingsPanelTest, TestButtonsStartTheirSoundWhateverTheBoxes) {
    get<QPushButton>(kWaveTestButton)->click();
    get<QPushButton>(kSpeakerTestButton)->click();
    get<QPushButton>(kSpeakerTestButton)->click();
    EXPECT_EQ(host.waveStarts, 1);
    EXPECT_EQ(host.speakerStarts, 2);
    EXPECT_FALSE(get<QPushButton>(kWaveTestButton)->icon().isNull());
}

TEST_F(SettingsPanelTest, GermanTextsOfTheSoundList) {
    Language = 0;
    EXPECT_EQ(get<QComboBox>(kPatternCombo)->itemText(0), "Ombrix standard");
    EXPECT_EQ(get<QComboBox>(kPatternCombo)->itemText(6), "Technisch");
}

} // namespace
} // namespace ombrix
