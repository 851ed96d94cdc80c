// What new mail alarms after each account's alert choice: the decision over
// the accounts that brought mail, the shares taken from the table, the
// unread mails the LEDs and the repeated alarm run for, and the sounds.

#include "app/arrival_alarm.h"
#include "app/list_notifications.h"
#include "app/recording_notification_host.h"
#include "app/window_state.h"
#include "check/check_run.h"
#include "config/settings.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <vector>

namespace ombrix {
namespace {

const AccountAlert kFollow{};
const AccountAlert kSilent{AlertKind::Silent, {}};
AccountAlert ownWave(const std::string& file) {
    return {AlertKind::OwnWave, file};
}

TEST(ArrivalAlarmDecisionTest, SilentAccountsNeverAlarmAndTheFirstOwnWaveIsTheSound) {
    struct Row {
        const char* name;
        std::vector<AccountAlert> arrivals;
        ArrivalAlarm expected;
    };
    const Row rows[] = {
        {"silent only", {kSilent, kSilent}, {false, {}}},
        {"one following account among silent ones", {kSilent, kFollow, kSilent}, {true, {}}},
        {"own wave", {ownWave("/a.wav")}, {true, "/a.wav"}},
        {"silent, following, two own waves",
         {kSilent, kFollow, ownWave("/b.wav"), ownWave("/c.wav")},
         {true, "/b.wav"}},
        {"new mail no account claims", {}, {true, {}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(arrivalAlarmOf(row.arrivals), row.expected) << row.name;
}

class ArrivalAlarmTableTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }

    // An account of `unread` unread mails and one read, its alert in `conf`.
    AccountRecord& addAccount(const std::string& user, int unread, const AccountAlert& alert) {
        AccountRecord& a = accounts[accountCount++];
        a.name = user + "@example.org";
        a.host = "imap.example.org";
        a.user = user;
        a.port = "993";
        a.protocol = 1;
        a.checked = 1;
        a.mailCount = unread + 1;
        a.mails[0].read = 1;
        setAccountAlert(conf, keyringKeyOf(a), alert);
        return a;
    }

    ProgramConf conf;
};

TEST_F(ArrivalAlarmTableTest, TheAccountsThatBroughtMailDecideAndTheirSharesGoBackToNothing) {
    addAccount("quiet", 2, kSilent).newMails = 2;
    addAccount("plain", 4, kFollow); // unread from before, no new mail
    addAccount("bell", 1, ownWave("/bell.wav")).newMails = 1;
    addAccount("gong", 1, ownWave("/gong.wav")).newMails = 1;
    EXPECT_EQ(takeArrivalAlarm(conf), (ArrivalAlarm{true, "/bell.wav"}));
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(accounts[slot].newMails, 0) << slot;

    accounts[0].newMails = 3;
    EXPECT_EQ(takeArrivalAlarm(conf), (ArrivalAlarm{false, {}})) << "the silent one alone";
}

TEST_F(ArrivalAlarmTableTest, OnlyActiveAccountsThatAreNotSilentCountForTheLedsAndTheRepeat) {
    addAccount("quiet", 5, kSilent);
    EXPECT_EQ(countAlarmingUnread(conf), 0u);
    addAccount("plain", 2, kFollow);
    addAccount("bell", 3, ownWave("/bell.wav"));
    addAccount("resting", 7, kFollow).deactivated = 1;
    EXPECT_EQ(countAlarmingUnread(conf), 5u);
}

TEST_F(ArrivalAlarmTableTest, AnOwnWaveSoundsWhateverTheWaveSwitchAndTheSpeakerAsSwitched) {
    test::RecordingNotificationHost host;
    settings.waveAlarm = 0;
    settings.speakerAlarm = 1;
    startArrivalSounds({true, "/bell.wav"}, host);
    EXPECT_EQ(host.waveFiles, std::vector<std::string>{"/bell.wav"});
    EXPECT_EQ(host.waveStarts, 0);
    EXPECT_EQ(host.speakerStarts, 1);

    settings.waveAlarm = 1;
    settings.speakerAlarm = 0;
    startArrivalSounds({true, "/bell.wav"}, host);
    EXPECT_EQ(host.waveFiles.size(), 2u);
    EXPECT_EQ(host.waveStarts, 0) << "one wave: the account's";
    startArrivalSounds({true, {}}, host);
    EXPECT_EQ(host.waveStarts, 1);
    settings.waveAlarm = 0;
    startArrivalSounds({true, {}}, host);
    EXPECT_EQ(host.waveStarts, 1);
    EXPECT_EQ(host.speakerStarts, 1);
}

// A refresh after a check: applyNotifications over the table, the alerts in
// the process's ombrix.conf.
class ArrivalNotificationsTest : public ArrivalAlarmTableTest {
protected:
    void SetUp() override {
        ArrivalAlarmTableTest::SetUp();
        settings.popupEnabled = 1;
        settings.waveAlarm = 1;
        settings.speakerAlarm = 1;
        settings.repeatAlarm = 1;
        settings.repeatSeconds = 30;
        settings.scrollLockLed = 1;
    }
    std::uint32_t refresh() {
        replaceProgramConf(conf);
        const AccountSummary summary = summarizeAccounts();
        notifyText = summary.notifyText;
        return applyNotifications(notifyText, summary.anyAccountFailed, summary.mailTotal, host);
    }

    test::RecordingNotificationHost host;
    std::string notifyText;
};

TEST_F(ArrivalNotificationsTest, MailOnlyInSilentAccountsIsListedButAlarmsNothing) {
    addAccount("quiet", 2, kSilent).newMails = 2;
    addAccount("hush", 1, kSilent).newMails = 1;
    newMailCount = 3;

    EXPECT_EQ(refresh(), 3u) << "counted as unread";
    EXPECT_TRUE(host.popups.empty());
    EXPECT_TRUE(host.desktopAnnouncements.empty());
    EXPECT_EQ(host.waveStarts + host.speakerStarts, 0);
    EXPECT_TRUE(host.waveFiles.empty());
    EXPECT_EQ(host.ledTimer, test::RecordingNotificationHost::kStopped);
    EXPECT_EQ(host.repeatTimer, test::RecordingNotificationHost::kStopped);
    EXPECT_EQ(host.state.alarmingUnread, 0u);
    EXPECT_EQ(host.trayIcon, TrayIconKind::NewMail);
    EXPECT_EQ(host.tooltip, "quiet@example.org: 2 new mails !\nhush@example.org: 1 new mail !\n");
    EXPECT_EQ(newMailCount, 0) << "this check's mail is dealt with";
}

TEST_F(ArrivalNotificationsTest, AnOwnWaveSoundsEvenWithTheProgramsWaveOff) {
    settings.waveAlarm = 0;
    settings.speakerAlarm = 0;
    addAccount("quiet", 1, kSilent).newMails = 1;
    addAccount("bell", 2, ownWave("/home/anna/bell.wav")).newMails = 2;
    newMailCount = 3;

    refresh();
    EXPECT_EQ(host.waveFiles, std::vector<std::string>{"/home/anna/bell.wav"});
    EXPECT_EQ(host.waveStarts, 0);
    ASSERT_EQ(host.popups.size(), 1u) << "the pop-up follows the program";
    EXPECT_EQ(host.popups[0].text,
              "quiet@example.org: 1 new mail !\nbell@example.org: 2 new mails !\n");
    EXPECT_EQ(host.ledTimer, kLedUnreadPeriod);
    EXPECT_EQ(host.repeatTimer, 30000);
    EXPECT_EQ(host.state.alarmingUnread, 2u);

    refresh(); // announced once per check
    EXPECT_EQ(host.waveFiles.size(), 1u);
    EXPECT_EQ(host.popups.size(), 1u);
}

TEST_F(ArrivalNotificationsTest, ASilentAccountsOldUnreadMailKeepsNoAlarmGoingOnceTheRestIsRead) {
    AccountRecord& plain = addAccount("plain", 1, kFollow);
    plain.newMails = 1;
    addAccount("quiet", 4, kSilent);
    newMailCount = 1;
    refresh();
    EXPECT_EQ(host.waveStarts, 1);
    EXPECT_EQ(host.speakerStarts, 1);
    EXPECT_EQ(host.ledTimer, kLedUnreadPeriod);
    EXPECT_EQ(host.repeatTimer, 30000);

    plain.mails[1].read = 1;
    EXPECT_EQ(refresh(), 4u);
    EXPECT_EQ(host.ledTimer, test::RecordingNotificationHost::kStopped);
    EXPECT_EQ(host.repeatTimer, test::RecordingNotificationHost::kStopped);
    EXPECT_EQ(host.trayIcon, TrayIconKind::NewMail);
    EXPECT_EQ(host.popupHides, 0) << "unread mail is still listed";
}

} // namespace
} // namespace ombrix
