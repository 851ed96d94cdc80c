#include "app/checker_lists.h"
#include "app/recording_notification_host.h"
#include "app/window_state.h"
#include "check/check_run.h"
#include "check/mail_sort.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "core/display_field.h"
#include "core/language.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::RecordingNotificationHost;

void pressDelete(QWidget& widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

class RefreshListsTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
    }
    void TearDown() override { test::resetProcessState(); }

    // An account in slot `k` with `mails` mails of which the first `read` are
    // read; mail i comes from "sender<i>" about "subject<i>", dated i+1 Jan 2006.
    AccountRecord& addAccount(const std::string& name, int mails, int read, int checked = 1) {
        AccountRecord& a = accounts[accountCount++];
        a.name = name;
        a.checked = static_cast<std::uint8_t>(checked);
        a.mailCount = mails;
        for (int i = 0; i < mails; ++i) {
            a.mails.setFrom(i, "sender" + std::to_string(i));
            a.mails.setSubject(i, "subject" + std::to_string(i));
            a.mails[i].read = i < read ? 1 : 0;
            a.mails[i].day = static_cast<std::uint8_t>(i % 28 + 1);
            a.mails[i].month = 1;
            a.mails[i].year = 2006;
            a.mails[i].serverPosition = static_cast<std::uint32_t>(i + 1);
        }
        return a;
    }

    // As a click on the row does; the lists react once the click is handled.
    void choose(int row) {
        accountList.setCurrentItem(accountList.topLevelItem(row));
        QCoreApplication::processEvents();
    }

    test::TempDir dir;
    AccountListView accountList;
    MailListView mailList;
    RecordingNotificationHost host;
    CheckerLists lists{accountList, mailList, host};
};

struct StatusRow {
    const char* name;
    int mails, read, checked, deactivated, failed;
    int language;
    int image;
    const char* status;
};

class AccountStatusRows : public RefreshListsTest, public testing::WithParamInterface<StatusRow> {};

TEST_P(AccountStatusRows, ShowImageAndStatusText) {
    const StatusRow& row = GetParam();
    Language = row.language;
    AccountRecord& a = addAccount("box", row.mails, row.read, row.checked);
    a.deactivated = static_cast<std::uint8_t>(row.deactivated);
    if (row.failed) {
        a.errorFlag = 1;
        a.errorText = "no answer\r\nfrom\tserver";
    }
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(accountList.topLevelItemCount(), 1);
    EXPECT_EQ(accountList.nameText(0), "box");
    EXPECT_EQ(accountList.imageOf(0), row.image);
    EXPECT_EQ(accountList.statusText(0).toStdString(), row.status);
}

INSTANTIATE_TEST_SUITE_P(
    Refresh, AccountStatusRows,
    testing::Values(
        StatusRow{"AllUnread", 3, 0, 1, 0, 0, 1, kImageUnread, "3 new mails !"},
        StatusRow{"TwoUnreadOneOld", 3, 1, 1, 0, 0, 1, kImageUnread, "2 new mails ! (1 old)"},
        StatusRow{"AllRead", 3, 3, 1, 0, 0, 1, kImageChecked, "no new mails (3 old)"},
        StatusRow{"FifteenHundredUnread", 1500, 0, 1, 0, 0, 1, kImageUnread, "1500 new mails !"},
        StatusRow{"GermanMixed", 3, 1, 1, 0, 0, 0, kImageUnread,
                  "2 neue Mail im Postfach ! (1 alt)"},
        StatusRow{"Empty", 0, 0, 1, 0, 0, 1, kImageChecked, "Empty - no mails"},
        StatusRow{"NotCheckedYet", 2, 0, 0, 0, 0, 1, kImageNotChecked,
                  "activated - account will be checked next time"},
        StatusRow{"Deactivated", 2, 0, 1, 1, 0, 1, kImageDeactivated,
                  "deactivated - account will not be checked"},
        StatusRow{"FailedOnOneLine", 2, 0, 1, 0, 1, 1, kImageFailed,
                  "Error: no answer  from server"}),
    [](const testing::TestParamInfo<StatusRow>& row) { return std::string(row.param.name); });

TEST_F(RefreshListsTest, NewMailIsAnnouncedOnceWithPopupSoundsAndTimers) {
    settings.popupEnabled = 1;
    settings.popupAutoClose = 1;
    settings.waveAlarm = 1;
    settings.speakerAlarm = 1;
    settings.repeatAlarm = 1;
    settings.repeatSeconds = 40;
    addAccount("work", 2, 1);
    addAccount("home", 3, 0);
    newMailCount = 4;

    lists.refreshLists(RefreshMode::Full);
    const std::string lines = "work: 1 new mail !\nhome: 3 new mails !\n";
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].text, lines);
    EXPECT_EQ(host.popups[0].show, 800u);
    EXPECT_EQ(host.popups[0].stay, 7000u);
    EXPECT_EQ(host.popups[0].hide, 500u);
    EXPECT_EQ(host.waveStarts, 1);
    EXPECT_EQ(host.speakerStarts, 1);
    EXPECT_EQ(newMailCount, 0);
    EXPECT_EQ(host.state.unreadTotal, 4u);
    EXPECT_EQ(host.repeatTimer, 40000);
    EXPECT_EQ(host.ledTimer, 300);
    EXPECT_EQ(host.trayIcon, TrayIconKind::NewMail);
    EXPECT_EQ(host.tooltip, lines);
    EXPECT_EQ(lists.notifyText(), lines);

    lists.refreshLists(RefreshMode::Full); // the next refresh only keeps the tray in line
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.waveStarts, 1);
    EXPECT_EQ(host.trayIcon, TrayIconKind::NewMail);
}

TEST_F(RefreshListsTest, DesktopAnnouncementFollowsItsOwnBoxAndIsWithdrawnWhenAllIsRead) {
    settings.popupEnabled = 0; // the desktop's notification does not hang on the pop-up
    AccountRecord& work = addAccount("work", 2, 0);
    newMailCount = 2;
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(host.desktopAnnouncements.size(), 1u);
    EXPECT_EQ(host.desktopAnnouncements[0].summary, "2 new mails");
    EXPECT_EQ(host.desktopWithdrawals, 0);

    lists.refreshLists(RefreshMode::Full); // announced once per check
    EXPECT_EQ(host.desktopAnnouncements.size(), 1u);
    work.mails[0].read = work.mails[1].read = 1;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.desktopWithdrawals, 1);

    test::changeProgramConf(
        [](ProgramConf& conf) { conf.setFlag(kConfDesktopNotification, false); });
    work.mails[0].read = 0;
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.desktopAnnouncements.size(), 1u);
    EXPECT_EQ(newMailCount, 0);
}

// --- the desktop's notification of an arrival --------------------------------

TEST_F(RefreshListsTest, TheNotificationNamesTheNewestMailsAndCountsTheRest) {
    settings.popupEnabled = 0;
    addAccount("work", 3, 1);                       // unread: #1 (2 Jan), #2 (3 Jan)
    AccountRecord& home = addAccount("home", 4, 0); // unread: #0 .. #3 (1 .. 4 Jan)
    for (int i = 0; i < 4; ++i) {
        home.mails.setFrom(i, "h" + std::string(home.mails.from(i)));
        home.mails.setSubject(i, "h" + std::string(home.mails.subject(i)));
    }
    addAccount("old", 2, 0).deactivated = 1;
    addAccount("later", 2, 0, 0); // not checked yet: its list is not current
    newMailCount = 2;
    lists.refreshLists(RefreshMode::Full);

    ASSERT_EQ(host.desktopAnnouncements.size(), 1u);
    const ArrivalAnnouncement& shown = host.desktopAnnouncements[0];
    EXPECT_EQ(shown.summary, "6 new mails");
    // Newest first as the date-sorted list has them; on one day the server's
    // later delivery, then the earlier account.
    EXPECT_EQ(shown.lines, (std::vector<ArrivalLine>{{"hsender3", "hsubject3"},
                                                     {"sender2", "subject2"},
                                                     {"hsender2", "hsubject2"},
                                                     {"sender1", "subject1"}}));
    EXPECT_EQ(shown.more, "and 2 more");

    Language = 0;
    home.mails[2].serverPosition = 9; // delivered after work's mail of that day
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(host.desktopAnnouncements.size(), 2u);
    EXPECT_EQ(host.desktopAnnouncements[1].lines[1], (ArrivalLine{"hsender2", "hsubject2"}));
    EXPECT_EQ(host.desktopAnnouncements[1].lines[2], (ArrivalLine{"sender2", "subject2"}));
    EXPECT_EQ(host.desktopAnnouncements[1].summary, "6 neue Mails");
    EXPECT_EQ(host.desktopAnnouncements[1].more, "und 2 weitere");
}

TEST_F(RefreshListsTest, AllMailsNamedLeaveNoMoreLineAndOneIsSingular) {
    AccountRecord& work = addAccount("work", 1, 0);
    work.mails.setFrom(0, "A&B <alice@example.org>");
    work.mails.setSubject(0, "Q3 \"final\"");
    const ArrivalAnnouncement one = describeArrivals();
    EXPECT_EQ(one.summary, "1 new mail");
    EXPECT_EQ(one.lines, (std::vector<ArrivalLine>{{std::string(work.mails.from(0)),
                                                    std::string(work.mails.subject(0))}}));
    EXPECT_TRUE(one.more.empty());
    Language = 0;
    EXPECT_EQ(describeArrivals().summary, "1 neue Mail");

    addAccount("home", 2, 0);
    EXPECT_EQ(describeArrivals([](int account) { return account != 0; }).summary, "2 neue Mails")
        << "an account the filter leaves out is not counted";
    EXPECT_EQ(describeArrivals({}, 1).more, "und 2 weitere");
}

TEST_F(RefreshListsTest, OneChannelPerArrivalAndTheSoundHintFollowsTheAlarms) {
    addAccount("work", 2, 0);
    settings.popupEnabled = 1;
    newMailCount = 2;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_TRUE(host.desktopAnnouncements.empty()) << "the pop-up has announced it";

    host.placeable = false; // Wayland: the pop-up cannot take its place
    settings.waveAlarm = 1;
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.popups.size(), 1u);
    ASSERT_EQ(host.desktopAnnouncements.size(), 1u);
    EXPECT_EQ(host.desktopOwnSound.back(), true);

    settings.popupEnabled = 0;
    settings.waveAlarm = 0;
    settings.speakerAlarm = 1;
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(host.desktopAnnouncements.size(), 2u);
    EXPECT_EQ(host.desktopOwnSound.back(), true);

    settings.speakerAlarm = 0;
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(host.desktopAnnouncements.size(), 3u);
    EXPECT_EQ(host.desktopOwnSound.back(), false) << "no sound of ours: the service may sound";

    test::changeProgramConf(
        [](ProgramConf& conf) { conf.setFlag(kConfDesktopNotification, false); });
    settings.popupEnabled = 1; // still not placeable: the desktop announces instead
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.desktopAnnouncements.size(), 4u);

    settings.popupEnabled = 0; // neither is wanted
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.desktopAnnouncements.size(), 4u);
}

TEST_F(RefreshListsTest, WhenEveryMailIsGoneTheNotificationAndThePopupGo) {
    AccountRecord& work = addAccount("work", 2, 0);
    newMailCount = 2;
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(host.desktopAnnouncements.size(), 1u);
    const int hides = host.popupHides;

    work.mailCount = 0; // deleted in another program
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.desktopWithdrawals, 1);
    EXPECT_EQ(host.popupHides, hides + 1);
    EXPECT_EQ(host.trayIcon, TrayIconKind::Idle);
}

TEST_F(RefreshListsTest, PopupStaysOpenWithoutAutoCloseAndIsSkippedWhenOff) {
    settings.popupEnabled = 1;
    addAccount("work", 1, 0);
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].stay, 999999u);

    settings.popupEnabled = 0;
    newMailCount = 1;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(newMailCount, 0);
}

TEST_F(RefreshListsTest, TenAccountsGiveTheSeveralAccountsTooltipButEveryPopupLine) {
    settings.popupEnabled = 1;
    for (int k = 0; k < 10; ++k)
        addAccount("account" + std::to_string(k), 2, 0);
    newMailCount = 20;
    lists.refreshLists(RefreshMode::Full);

    EXPECT_EQ(host.tooltip, "Several accounts have new mails !");
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(std::count(host.popups[0].text.begin(), host.popups[0].text.end(), '\n'), 10);
    EXPECT_NE(host.popups[0].text.find("account9: 2 new mails !\n"), std::string::npos);

    Language = 0;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.tooltip, "Mehrere Konten haben neue Mails !");
}

TEST_F(RefreshListsTest, AFailedAccountShowsTheErrorTrayAndHoldsBackTheAnnouncement) {
    settings.popupEnabled = 1;
    settings.scrollLockLed = 1;
    addAccount("work", 2, 0);
    addAccount("broken", 0, 0).errorFlag = 1;
    newMailCount = 2;
    lists.refreshLists(RefreshMode::Full);

    EXPECT_EQ(host.trayIcon, TrayIconKind::Failure);
    EXPECT_EQ(host.tooltip,
              "Could not connect to a mailserver.\r\n open Ombrix to get more information.");
    EXPECT_EQ(host.ledTimer, 200);
    EXPECT_TRUE(host.popups.empty());
    EXPECT_EQ(newMailCount, 2); // kept for the first refresh without a failure

    settings.scrollLockLed = 0;
    host.ledTimer = RecordingNotificationHost::kNeverTouched;
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.ledTimer, RecordingNotificationHost::kNeverTouched);
}

TEST_F(RefreshListsTest, ADeactivatedAccountsMailsCountInTheTotalOnly) {
    settings.repeatAlarm = 1;
    addAccount("old", 2, 0).deactivated = 1;
    addAccount("read", 1, 1);
    lists.refreshLists(RefreshMode::Full);

    EXPECT_EQ(host.state.unreadTotal, 0u);
    EXPECT_EQ(host.trayIcon, TrayIconKind::Idle);
    EXPECT_EQ(host.tooltip, "No new mails");
    EXPECT_EQ(host.ledTimer, RecordingNotificationHost::kStopped);
    EXPECT_EQ(host.repeatTimer, RecordingNotificationHost::kStopped);
    EXPECT_EQ(host.popupHides, 1); // mail exists: the branch with mail hides the pop-up

    accounts[1].mailCount = 0; // now only the deactivated account has mails
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.popupHides, 2);

    accounts[0].mailCount = 0; // no mail at all: nothing is left to announce either
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(host.popupHides, 3);
    EXPECT_EQ(host.tooltip, "No new mails");
    EXPECT_EQ(host.ledTimer, RecordingNotificationHost::kStopped);
}

TEST_F(RefreshListsTest, NoAccountSelectedLeavesBothListsWithoutSelectionAndNoMails) {
    addAccount("work", 3, 0);
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(accountList.topLevelItemCount(), 1);
    EXPECT_EQ(accountList.selectedRow(), -1);
    EXPECT_EQ(mailList.rowCount(), 0);
    EXPECT_EQ(lists.selectedAccount(), -1);
}

TEST_F(RefreshListsTest, ChoosingAnAccountListsItsMailsWithDateImageAndBox) {
    AccountRecord& a = addAccount("work", 2, 1);
    a.mails[1].day = 5;
    a.mails[1].month = 3;
    a.mails[1].year = 2006;
    lists.refreshLists(RefreshMode::Full);
    choose(0);

    EXPECT_EQ(lists.selectedAccount(), 0);
    ASSERT_EQ(mailList.rowCount(), 2);
    EXPECT_EQ(mailList.cellText(1, kReadColumn), " ");
    EXPECT_EQ(mailList.cellText(1, kSenderColumn), "sender1");
    EXPECT_EQ(mailList.cellText(1, kSubjectColumn), "subject1");
    EXPECT_EQ(mailList.cellText(1, kDateColumn), "05.03.2006");
    EXPECT_TRUE(mailList.isChecked(0));
    EXPECT_TRUE(mailList.readImageOf(0));
    EXPECT_FALSE(mailList.isChecked(1));
    EXPECT_FALSE(mailList.readImageOf(1));
    EXPECT_EQ(accountList.selectedRow(), 0);
}

TEST(MailListDate, MonthOutsideTheYearIsLeftOut) {
    EXPECT_EQ(displayDate(5, 3, 2006), "05.03.2006");
    EXPECT_EQ(displayDate(31, 12, 1999), "31.12.1999");
    EXPECT_EQ(displayDate(5, 0, 2006), "05.2006");
    EXPECT_EQ(displayDate(5, 13, 2006), "05.2006");
}

TEST_F(RefreshListsTest, ControlCharactersShowAsOneBlankAndStayStored) {
    AccountRecord& a = addAccount("work", 1, 0);
    a.mails.setSubject(0, "Re:\r\n\tmeeting\tat 10");
    a.mails.setFrom(0, "Ann\r<ann@example.org>");
    lists.refreshLists(RefreshMode::Full);
    choose(0);
    EXPECT_EQ(mailList.cellText(0, kSubjectColumn), "Re:   meeting at 10");
    EXPECT_EQ(mailList.cellText(0, kSenderColumn), "Ann <ann@example.org>");
    EXPECT_EQ(a.mails.subject(0), "Re:\r\n\tmeeting\tat 10");
}

TEST_F(RefreshListsTest, AFailedOrUncheckedAccountListsNoMails) {
    addAccount("broken", 2, 0).errorFlag = 1;
    addAccount("fresh", 2, 0, 0);
    lists.refreshLists(RefreshMode::Full);
    choose(0);
    EXPECT_EQ(mailList.rowCount(), 0);
    choose(1);
    EXPECT_EQ(mailList.rowCount(), 0);
    EXPECT_EQ(accountList.selectedRow(), 1);
}

TEST_F(RefreshListsTest, AccountsOnlyLeavesTheMailListAndReadMarksOnlyTheImages) {
    AccountRecord& a = addAccount("work", 2, 0);
    lists.refreshLists(RefreshMode::Full);
    choose(0);
    a.mails.setSubject(0, "changed");
    a.mails[0].read = 1;

    lists.refreshLists(RefreshMode::AccountsOnly);
    EXPECT_EQ(mailList.cellText(0, kSubjectColumn), "subject0");
    EXPECT_FALSE(mailList.readImageOf(0));
    EXPECT_EQ(accountList.statusText(0), "1 new mails ! (1 old)");

    lists.refreshLists(RefreshMode::ReadMarks);
    EXPECT_EQ(mailList.cellText(0, kSubjectColumn), "subject0");
    EXPECT_TRUE(mailList.readImageOf(0));
    EXPECT_FALSE(mailList.isChecked(0)); // the box is the user's; only the image follows
}

TEST_F(RefreshListsTest, SelectedMailsStaySelectedAcrossARefresh) {
    addAccount("work", 4, 0);
    lists.refreshLists(RefreshMode::Full);
    choose(0);
    mailList.selectRows({1, 3}, false);
    lists.refreshLists(RefreshMode::Full);
    EXPECT_EQ(mailList.selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(accountList.selectedRow(), 0);
}

TEST_F(RefreshListsTest, TickingABoxSavesTheReadFlagsAndUpdatesTheAccount) {
    AccountRecord& a = addAccount("work", 3, 0);
    lists.refreshLists(RefreshMode::Full);
    choose(0);
    mailList.setChecked(1, true); // as a click on the box does

    EXPECT_EQ(a.mails[1].read, 1);
    EXPECT_EQ(a.mails[0].read, 0);
    EXPECT_TRUE(mailList.readImageOf(1));
    EXPECT_EQ(accountList.statusText(0), "2 new mails ! (1 old)");
    EXPECT_EQ(host.state.unreadTotal, 2u);
    const std::string flags = test::readBytes(dir / "obx.rd");
    EXPECT_FALSE(flags.empty());
}

TEST_F(RefreshListsTest, DoubleClickMarksTheMailReadSavesAndAsksForThePreview) {
    AccountRecord& a = addAccount("work", 2, 0);
    lists.refreshLists(RefreshMode::Full);
    choose(0);
    std::vector<std::pair<int, int>> previews;
    QObject::connect(&lists, &CheckerLists::previewRequested,
                     [&](int account, int mail) { previews.emplace_back(account, mail); });

    emit mailList.rowDoubleClicked(1);
    EXPECT_EQ(a.mails[1].read, 1);
    EXPECT_TRUE(mailList.isChecked(1));
    EXPECT_EQ(accountList.statusText(0), "1 new mails ! (1 old)");
    EXPECT_TRUE(std::filesystem::exists(dir / "obx.rd"));
    EXPECT_EQ(previews, (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST_F(RefreshListsTest, DeleteKeyAndRightClickAreHandedOn) {
    addAccount("work", 1, 0);
    lists.refreshLists(RefreshMode::Full);
    int deleteAccount = 0, deleteMail = 0, mailMenus = 0;
    QObject::connect(&lists, &CheckerLists::deleteAccountRequested, [&] { ++deleteAccount; });
    QObject::connect(&lists, &CheckerLists::deleteMailRequested, [&] { ++deleteMail; });
    QObject::connect(&lists, &CheckerLists::mailMenuRequested, [&](const QPoint&) { ++mailMenus; });
    pressDelete(accountList);
    pressDelete(mailList);
    pressDelete(mailList);
    emit mailList.customContextMenuRequested(QPoint(3, 4));
    EXPECT_EQ(deleteAccount, 1);
    EXPECT_EQ(deleteMail, 2);
    EXPECT_EQ(mailMenus, 1);
}

} // namespace
} // namespace ombrix
