// The main window: start-up with and without accounts, the resize layout, the
// minimum size, hiding and showing, and the timers that start and end runs.

#include "app/checker_dlg.h"
#include "app/main_layout.h"
#include "app/recording_tray_shell.h"
#include "app/window_state.h"
#include "config/background_state_load.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/language.h"
#include "core/run_flags.h"
#include "dialogs/wait_dlg.h"
#include "platform/secret_store.h"
#include "res/main_dialog_template.h"
#include "res/menus.h"
#include "support/gui_wait.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace ombrix {
namespace {

using namespace res;

class RecordingLists final : public ListRefresher {
public:
    void refreshLists(RefreshMode mode) override { modes.push_back(mode); }
    std::vector<RefreshMode> modes;
};

class CheckerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
    }

    void TearDown() override { window.reset(); }

    void makeWindow() {
        auto owned = std::make_unique<test::RecordingTrayShell>();
        shell = owned.get();
        window = std::make_unique<CCheckerDlg>(std::move(owned));
        window->setCheckRun([this](RunHost& host) {
            ++checkRuns;
            checkBody(host);
        });
        window->setListRefresher(&lists);
    }

    static void addAccount(const char* name) {
        AccountRecord& account = accounts[accountCount++];
        account.name = name;
        account.host = "127.0.0.1";
        account.user = "user";
        account.port = 110;
    }

    bool fileExists(const char* name) const {
        return std::filesystem::exists(directory.path() / name);
    }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
    test::RecordingTrayShell* shell = nullptr;
    RecordingLists lists;
    std::unique_ptr<CCheckerDlg> window;
    std::atomic<int> checkRuns{0};
    // What the scripted check run does; by default it ends as a real run ends.
    std::function<void(RunHost&)> checkBody = [](RunHost& host) {
        checkRunning = 1;
        host.waitForWaitDialog();
        host.setTrayIcon(TrayIconKind::Checking);
        host.closeWaitDialog();
        host.armRunDone(10);
        checkRunning = 0;
    };
};

// --- start-up -------------------------------------------------------------

TEST_F(CheckerWindowTest, WithAnAccountItStartsInTheTrayAndChecksAfter200Ms) {
    addAccount("Oscar");
    settings.checkInterval = 7;
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    test::resetProcessState();
    programDirectory = directory.path().string();

    makeWindow();
    window->OnInitDialog();
    EXPECT_EQ(accountCount, 1u);
    EXPECT_EQ(windowHidden, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->timers().interval(FirstCheckTimer), 200);
    EXPECT_EQ(window->timers().interval(CheckTimer), 7 * 60000);
    EXPECT_EQ(shell->count(test::TrayShellCall::Add), 1);
    EXPECT_EQ(shell->calls.front().tooltip, QStringLiteral("Ombrix"));
    EXPECT_TRUE(boxes.texts().empty());

    ASSERT_TRUE(test::processEventsUntil([this] { return !lists.modes.empty(); }));
    EXPECT_EQ(checkRuns, 1);
    EXPECT_FALSE(window->timers().isActive(FirstCheckTimer));
    EXPECT_EQ(lists.modes, std::vector<RefreshMode>{RefreshMode::Full});
    EXPECT_TRUE(fileExists("obx.msf"));
}

TEST_F(CheckerWindowTest, WithoutAccountsTheWindowStaysOpenAndOffersTheWizard) {
    makeWindow();
    int wizard = 0;
    QObject::connect(window.get(), &CCheckerDlg::commandChosen, [&](int command) {
        if (command == kCmdNewAccount)
            ++wizard;
    });
    boxes.answerNext(BoxAnswer::Yes);
    window->OnInitDialog();
    EXPECT_EQ(windowHidden, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->timers().isActive(FirstCheckTimer));
    EXPECT_TRUE(window->timers().isActive(CheckTimer));
    ASSERT_FALSE(boxes.shown().empty()); // after the notice that obx.dat is missing
    EXPECT_EQ(boxes.shown().back().kind, BoxKind::YesNoQuestion);
    EXPECT_EQ(boxes.shown().back().text, "There are currently no e-mail accounts to check\r\nDo "
                                         "you want to set up a account now?");
    EXPECT_EQ(wizard, 1);
}

// The state files load while the window is built: the window takes them over
// in OnInitDialog, and the first check, due at once when start-up took more
// than 200 ms, finds the lists there.
TEST_F(CheckerWindowTest, LoadedInTheBackgroundTheFirstCheckFindsTheListsLoaded) {
    addAccount("Oscar");
    accounts[0].mailCount = 2;
    accounts[0].mails.setUid(0, "a");
    accounts[0].mails.setUid(1, "b");
    accounts[0].mails[1].read = 1;
    ASSERT_TRUE(saveAllState());
    test::resetProcessState();
    programDirectory = directory.path().string();

    std::atomic<int> mailsAtCheck{-1};
    std::atomic<int> readAtCheck{-1};
    checkBody = [&](RunHost& host) {
        mailsAtCheck = accounts[0].mailCount;
        readAtCheck = accounts[0].mails[1].read;
        host.armRunDone(10);
    };
    makeWindow();
    BackgroundStateLoad load;
    window->OnInitDialog(
        StartUp{&load, std::chrono::steady_clock::now() - std::chrono::milliseconds(900)});
    EXPECT_EQ(accountCount, 1u);
    EXPECT_EQ(windowHidden, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->timers().interval(FirstCheckTimer), 0);
    EXPECT_TRUE(boxes.texts().empty());

    ASSERT_TRUE(test::processEventsUntil([this] { return !lists.modes.empty(); }));
    EXPECT_EQ(checkRuns, 1);
    EXPECT_EQ(mailsAtCheck, 2);
    EXPECT_EQ(readAtCheck, 1);
}

TEST_F(CheckerWindowTest, UnreadableSettingsLoadedInTheBackgroundStillOfferTheWizard) {
    std::filesystem::create_directory(directory.path() / "obx.dat");
    makeWindow();
    int wizard = 0;
    QObject::connect(window.get(), &CCheckerDlg::commandChosen, [&](int command) {
        if (command == kCmdNewAccount)
            ++wizard;
    });
    boxes.answerNext(BoxAnswer::Yes);
    BackgroundStateLoad load;
    window->OnInitDialog(StartUp{&load, std::chrono::steady_clock::now()});
    EXPECT_EQ(windowHidden, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->timers().isActive(FirstCheckTimer));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "could not open ini file !");
    EXPECT_EQ(boxes.shown()[1].kind, BoxKind::YesNoQuestion);
    EXPECT_EQ(wizard, 1);
}

TEST(FirstCheckDelay, TwoHundredMillisecondsAfterTheStartOfTheProcess) {
    using std::chrono::milliseconds;
    const auto now = std::chrono::steady_clock::now();
    struct Row {
        std::optional<milliseconds> startedAgo;
        int delay;
    };
    const Row rows[] = {
        {std::nullopt, 200},       {milliseconds(0), 200}, {milliseconds(50), 150},
        {milliseconds(199), 1},    {milliseconds(200), 0}, {milliseconds(5000), 0},
        {milliseconds(-300), 200}, // a start in the future waits no longer than 200 ms
    };
    for (const Row& row : rows) {
        std::optional<std::chrono::steady_clock::time_point> start;
        if (row.startedAgo)
            start = now - *row.startedAgo;
        EXPECT_EQ(firstCheckDelayMs(start, now), row.delay)
            << (row.startedAgo ? row.startedAgo->count() : -1);
    }
}

TEST_F(CheckerWindowTest, EnglishAndGermanControlTexts) {
    struct Row {
        int language;
        int id;
        const char* text;
    };
    const Row rows[] = {
        {1, kCheckNowButton, "check mails now"},    {0, kCheckNowButton, "jetzt auf Mails prüfen"},
        {1, kIntervalLabel, "mailcheck period: "},  {1, kPopupAutoCloseBox, "close automatically"},
        {0, kRepeatBox, "Alarm wiederholen, jede"}, {1, kScrollLockBox, "Scroll Lock"},
    };
    for (const Row& row : rows) {
        Language = row.language;
        makeWindow();
        QWidget* control = window->controls().byId(row.id);
        ASSERT_NE(control, nullptr) << row.id;
        const QString text = control->property("text").isValid()
                                 ? control->property("text").toString()
                                 : control->property("title").toString();
        EXPECT_EQ(text, QString::fromUtf8(row.text)) << row.id;
    }
    Language = 1;
}

// --- layout and size ------------------------------------------------------

TEST(MainWindowLayout, PlacesTheControlsForTwoWindowSizesInSixByThirteenPixelUnits) {
    struct Size {
        int w, h;
    };
    for (const Size size : {Size{754, 500}, Size{1201, 777}}) {
        SCOPED_TRACE(size.w);
        std::map<int, QRect> at;
        for (const ControlPlacement& place : mainWindowLayout(size.w, size.h, DialogUnits{6, 13}))
            at[place.id] = QRect(place.left, place.top, place.width, place.height);
        const int c = size.w / 2, x0 = c - 364, y0 = size.h - 132;
        EXPECT_EQ(at[kBanner], QRect(c - 177, 2, 355, 42));
        EXPECT_EQ(at[kMailsGroup], QRect(10, 41, size.w - 20, size.h - 175));
        EXPECT_EQ(at[kAccountList], QRect(20, 61, size.w - 40, 111));
        EXPECT_EQ(at[kMailList], QRect(20, 178, size.w - 40, size.h - 344));
        EXPECT_EQ(at[kNotificationGroup], QRect(x0, y0 + 2, 729, 125));
        EXPECT_EQ(at[kLedGroup], QRect(x0 + 19, y0 + 20, 117, 96));
        EXPECT_EQ(at[kIntervalNumber].topLeft(), QPoint(c - 248, size.h - 160));
        EXPECT_EQ(at[kCheckNowButton].topLeft(), QPoint(c - 30, size.h - 160));
        EXPECT_EQ(at[kIdleBox].topLeft(), QPoint(c + 110, size.h - 158));
        EXPECT_EQ(at[kCapsLockBox].topLeft(), QPoint(x0 + 39, y0 + 88));
        EXPECT_EQ(at[kRepeatSlider].topLeft(), QPoint(x0 + 416, y0 + 89));
        EXPECT_EQ(at[kPopupAutoCloseBox].topLeft(), QPoint(x0 + 546, y0 + 72));
        EXPECT_EQ(at[kDesktopNotifyBox].topLeft(), QPoint(x0 + 546, y0 + 92));
    }
}

TEST(MainWindowLayout, TheKeyringNoticeTakesARowFromTheFootOfTheMailList) {
    std::map<int, QRect> plain, noticed;
    for (const ControlPlacement& place : mainWindowLayout(900, 700, DialogUnits{6, 13}))
        plain[place.id] = QRect(place.left, place.top, place.width, place.height);
    for (const ControlPlacement& place : mainWindowLayout(900, 700, DialogUnits{6, 13}, 1))
        noticed[place.id] = QRect(place.left, place.top, place.width, place.height);
    EXPECT_FALSE(plain.contains(kKeyringNotice)); // no place: it stays hidden
    ASSERT_TRUE(noticed.contains(kKeyringNotice));
    const QRect notice = noticed[kKeyringNotice];
    EXPECT_EQ(noticed[kMailList].height(), plain[kMailList].height() - 18);
    EXPECT_GT(notice.top(), noticed[kMailList].bottom());
    EXPECT_TRUE(noticed[kMailsGroup].contains(notice));
    EXPECT_EQ(notice.width(), noticed[kMailList].width());

    // Two notices that wrap take a second row, and the mail list gives it.
    std::map<int, QRect> twoRows;
    for (const ControlPlacement& place : mainWindowLayout(900, 700, DialogUnits{6, 13}, 2))
        twoRows[place.id] = QRect(place.left, place.top, place.width, place.height);
    EXPECT_EQ(twoRows[kKeyringNotice].height(), 2 * notice.height());
    EXPECT_EQ(twoRows[kMailList].height(), noticed[kMailList].height() - 13);
    EXPECT_GT(twoRows[kKeyringNotice].top(), twoRows[kMailList].bottom());
    EXPECT_TRUE(twoRows[kMailsGroup].contains(twoRows[kKeyringNotice]));
}

TEST(MainWindowLayout, ScalesWithTheDialogUnits) {
    // A font of 9 by 26 pixels: horizontal distances times 1.5, vertical ones doubled.
    std::map<int, ControlPlacement> at;
    for (const ControlPlacement& place : mainWindowLayout(1000, 900, DialogUnits{9, 26}))
        at[place.id] = place;
    EXPECT_EQ(at[kIntervalNumber].left, 500 - 372);
    EXPECT_EQ(at[kIntervalNumber].top, 900 - 320);
    EXPECT_EQ(at[kNotificationGroup].width, 1094); // 729 * 1.5, rounded
    EXPECT_EQ(at[kNotificationGroup].height, 250);
    EXPECT_EQ(at[kBanner].width, 355); // a bitmap keeps its size
    EXPECT_EQ(minimumWindowSize(DialogUnits{9, 26}), QSize(1131, 1126));
    EXPECT_EQ(minimumWindowSize(DialogUnits{6, 13}), kMinimumWindowSize);
}

TEST_F(CheckerWindowTest, LayoutPlacesTheControlsWithTheWindowsUnits) {
    makeWindow();
    window->markDialogReady();
    const DialogUnits& units = window->controls().units();
    for (const QSize size : {minimumWindowSize(units), QSize(1201, 777)}) {
        SCOPED_TRACE(size.width());
        window->client()->resize(size);
        window->layoutControls(); // what the client area's resize event runs
        auto at = [this](int id) { return window->controls().byId(id)->geometry(); };
        for (const ControlPlacement& place : mainWindowLayout(size.width(), size.height(), units)) {
            SCOPED_TRACE(place.id);
            EXPECT_EQ(at(place.id).topLeft(), QPoint(place.left, place.top));
            if (place.width >= 0) {
                EXPECT_EQ(at(place.id).size(), QSize(place.width, place.height));
            }
        }
        // The desktop box stays inside its group and the notification group.
        EXPECT_TRUE(at(kPopupGroup).contains(at(kDesktopNotifyBox)));
        EXPECT_TRUE(at(kAudioGroup).contains(at(kBrowseButton)));
        EXPECT_LE(at(kPopupGroup).right(), at(kNotificationGroup).right());
        // Controls the table only moves keep their template size.
        EXPECT_EQ(at(kBrowseButton).size(), units.toPixels(0, 0, 68, 12).size());
    }
}

TEST_F(CheckerWindowTest, NoLayoutBeforeTheInitialisationHasEnded) {
    makeWindow();
    const QRect before = window->controls().byId(kMailList)->geometry();
    window->client()->resize(1000, 700);
    window->layoutControls();
    EXPECT_EQ(window->controls().byId(kMailList)->geometry(), before);
}

TEST_F(CheckerWindowTest, MinimumSizeMovesTheDraggedEdgeBack) {
    makeWindow();
    const QSize least = minimumWindowSize(window->controls().units());
    const int w = least.width(), h = least.height();
    const QRect start(100, 100, w, h);
    struct Row {
        const char* name;
        DragEdge edge;
        QRect dragged;
        QRect kept;
    };
    const Row rows[] = {
        {"left", DragEdge::Left, QRect(150, 100, w - 50, h), start},
        {"right", DragEdge::Right, QRect(100, 100, w - 110, h), start},
        {"top", DragEdge::Top, QRect(100, 200, w, h - 100), start},
        {"bottom", DragEdge::Bottom, QRect(100, 100, w, h - 263), start},
        {"topLeft", DragEdge::TopLeft, QRect(300, 300, w - 200, h - 200), start},
        {"bottomRight", DragEdge::BottomRight, QRect(100, 100, w - 210, h - 163), start},
        {"topRight", DragEdge::TopRight, QRect(100, 300, w - 210, h - 200), start},
        {"bottomLeft", DragEdge::BottomLeft, QRect(300, 100, w - 200, h - 263), start},
        {"largeEnough", DragEdge::Left, QRect(50, 100, w + 50, h + 37),
         QRect(50, 100, w + 50, h + 37)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(window->OnSizing(row.edge, row.dragged), row.kept);
        EXPECT_EQ(settings.windowWidth, row.kept.width());
        EXPECT_EQ(settings.windowHeight, row.kept.height());
        if (row.dragged != row.kept) {
            EXPECT_EQ(draggedEdge(start, row.dragged), row.edge);
        }
    }
}

TEST_F(CheckerWindowTest, ShowingSizesAndCentresTheWindowOrMaximizesIt) {
    makeWindow();
    const QSize least = minimumWindowSize(window->controls().units());
    window->hideToTray();
    // The offscreen screen (800 x 600) is smaller than the window may get.
    settings.windowWidth = 700;
    settings.windowHeight = 500;
    window->OnCommand(kCmdOpenWindow);
    EXPECT_EQ(windowHidden, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->frameGeometry().size(), least.expandedTo(QSize(700, 500)));

    window->hideToTray();
    settings.windowWidth = 710; // stored for a narrower dialog font
    settings.windowHeight = 563;
    window->OnCommand(kCmdOpenWindow);
    EXPECT_EQ(window->frameGeometry().size(), least.expandedTo(QSize(710, 563)));

    window->hideToTray();
    settings.windowWidth = 100000; // stored on a larger screen
    settings.windowHeight = 100000;
    window->OnCommand(kCmdOpenWindow);
    EXPECT_EQ(settings.windowWidth, least.width());
    EXPECT_EQ(settings.windowHeight, least.height());

    window->hideToTray();
    settings.windowMaximized = 1;
    window->OnCommand(kCmdOpenWindow);
    EXPECT_TRUE(window->isMaximized());
}

TEST_F(CheckerWindowTest, CloseBoxAndEscapeHideIntoTheTray) {
    makeWindow();
    window->OnCommand(kCmdOpenWindow);
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(window->close());
    EXPECT_EQ(windowHidden, 1);
    EXPECT_FALSE(window->isVisible());

    window->OnCommand(kCmdOpenWindow);
    window->reject();
    EXPECT_EQ(windowHidden, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(CheckerWindowTest, ARestoreAfterAHideIsRememberedAsRestored) {
    makeWindow();
    settings.windowMaximized = 1;
    window->OnCommand(kCmdOpenWindow);
    ASSERT_TRUE(window->isMaximized());
    EXPECT_FALSE(window->close()); // the close box hides, with no minimize
    window->OnCommand(kCmdOpenWindow);
    ASSERT_TRUE(window->isMaximized());
    window->showNormal(); // the user restores it
    EXPECT_EQ(settings.windowMaximized, 0);

    window->showMaximized();
    ASSERT_EQ(settings.windowMaximized, 1);
    window->showMinimized(); // into the tray through a real minimize
    ASSERT_EQ(windowHidden, 1);
    window->OnCommand(kCmdOpenWindow);
    ASSERT_TRUE(window->isMaximized());
    window->showNormal();
    EXPECT_EQ(settings.windowMaximized, 0);
}

TEST_F(CheckerWindowTest, PopupClicksOpenTheWindowOrOnlyCloseThePopup) {
    makeWindow();
    window->OnInitDialog();
    window->hideToTray();
    window->OnPopupClose();
    EXPECT_FALSE(window->isVisible());
    window->OnPopupClicked();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(windowHidden, 0);
}

// --- timers and runs ------------------------------------------------------

TEST_F(CheckerWindowTest, CheckingAtOnceIsSkippedWhileARunIsActiveOrWithoutAccounts) {
    makeWindow();
    windowHidden = 1;
    window->checkNow(); // no account
    addAccount("A");
    checkRunning = 1;
    window->checkNow();
    window->OnTimer(CheckTimer);
    checkRunning = 0;
    deleteRunning = 1;
    window->OnCommand(kCmdCheckNow);
    deleteRunning = 0;
    QCoreApplication::processEvents();
    EXPECT_EQ(checkRuns, 0);

    window->timers().set(CheckTimer, 60000);
    const int remainingBefore = window->timers().remainingTime(CheckTimer);
    window->checkNow();
    ASSERT_TRUE(test::processEventsUntil([this] { return !window->runActive(); }));
    EXPECT_EQ(checkRuns, 1);
    // Checking at once does not restart the automatic period.
    EXPECT_LE(window->timers().remainingTime(CheckTimer), remainingBefore);
}

TEST_F(CheckerWindowTest, DeletionEndSavesRefreshesAndStartsACheck) {
    makeWindow();
    windowHidden = 1;
    addAccount("A");
    window->timers().set(CheckTimer, 60000);
    std::atomic<int> deletions{0};
    window->startDeletionRun([&](RunHost& host) {
        deleteRunning = 1;
        ++deletions;
        deleteRunning = 0;
        host.armRunDone(100);
    });
    ASSERT_TRUE(
        test::processEventsUntil([this] { return checkRuns == 1 && !window->runActive(); }));
    EXPECT_EQ(deletions, 1);
    EXPECT_TRUE(fileExists("obx.msf"));
    ASSERT_FALSE(lists.modes.empty());
    EXPECT_EQ(lists.modes.front(), RefreshMode::Full);
    EXPECT_EQ(window->timers().interval(CheckTimer), 60000); // keeps its period
    ASSERT_TRUE(test::processEventsUntil([this] { return lists.modes.size() == 2; }));
}

// What a deletion run does when it fails: its reason and the button in the
// wait dialog, which is then the user's to close.
void failedDeletion(RunHost& host) {
    deleteRunning = 1;
    closeOnButton = 0;
    if (windowHidden == 0) {
        host.waitForWaitDialog();
        host.setWaitText("Could not delete mail, Error:\nrefused");
        host.showWaitButton();
    }
    closeOnButton = 1;
    deleteRunning = 0;
}

TEST_F(CheckerWindowTest, AFailedDeletionKeepsItsReasonUpUntilTheButton) {
    makeWindow();
    addAccount("A");
    window->OnCommand(kCmdOpenWindow);
    bool stillOpen = false;
    QString shownText;
    std::size_t refreshesBeforeButton = 0;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(test::processEventsUntil([&] { return !window->runActive(); }));
        auto* dialog = dynamic_cast<CWaitDlg*>(QApplication::activeModalWidget());
        stillOpen = dialog != nullptr && dialog->isVisible();
        refreshesBeforeButton = lists.modes.size();
        if (dialog) {
            shownText = dialog->statusLabel()->text();
            dialog->button()->click();
        }
    });
    window->startDeletionRun(failedDeletion); // returns when the dialog has gone
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(shownText, "Could not delete mail, Error:\nrefused");
    EXPECT_EQ(refreshesBeforeButton, 0u);
    EXPECT_EQ(lists.modes, std::vector<RefreshMode>{RefreshMode::Full});
    EXPECT_EQ(closeOnButton, 0) << "the next run's button stops that run again";
    EXPECT_EQ(checkRuns, 0);
}

TEST_F(CheckerWindowTest, AFailedDeletionBehindTheTrayBringsTheListsBackInLine) {
    makeWindow();
    addAccount("A");
    windowHidden = 1;
    window->startDeletionRun(failedDeletion);
    ASSERT_TRUE(test::processEventsUntil([this] { return !window->runActive(); }));
    EXPECT_EQ(lists.modes, std::vector<RefreshMode>{RefreshMode::Full});
    EXPECT_EQ(closeOnButton, 0);
}

TEST_F(CheckerWindowTest, AVisibleWindowShowsTheWaitDialogUntilTheRunClosesIt) {
    makeWindow();
    addAccount("A");
    window->OnCommand(kCmdOpenWindow);
    ASSERT_EQ(windowHidden, 0);
    std::atomic<bool> sawDialog{false};
    checkBody = [&](RunHost& host) {
        checkRunning = 1;
        host.waitForWaitDialog(); // returns only once the dialog is up
        sawDialog = waitDialogReady == 1;
        host.setWaitText("checking Oscar");
        host.closeWaitDialog();
        host.armRunDone(10);
        checkRunning = 0;
    };
    QWidget* modal = nullptr;
    QTimer::singleShot(0, [&] { modal = QApplication::activeModalWidget(); });
    window->checkNow(); // returns when the dialog has been closed
    EXPECT_TRUE(sawDialog);
    EXPECT_NE(modal, nullptr);
    EXPECT_EQ(window->openWaitDialog(), nullptr);
    EXPECT_EQ(checkRuns, 1);
}

TEST_F(CheckerWindowTest, AQuietCheckShowsNoWaitDialogAlsoWhenTheWindowOpensDuringIt) {
    makeWindow();
    addAccount("A");
    windowHidden = 1;
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::atomic<bool> wouldWait{false};
    checkBody = [&](RunHost& host) {
        checkRunning = 1;
        started = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!release && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // host.waitForWaitDialog() would wait here for a dialog that never comes.
        wouldWait = windowHidden == 0 && waitDialogReady == 0;
        host.closeWaitDialog();
        host.armRunDone(10);
        checkRunning = 0;
    };
    window->checkQuietly();
    ASSERT_TRUE(test::processEventsUntil([&] { return started.load(); }));
    window->OnCommand(kCmdOpenWindow); // returns at once: no dialog to wait in
    EXPECT_EQ(windowHidden, 0);
    EXPECT_EQ(window->openWaitDialog(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    release = true;
    ASSERT_TRUE(test::processEventsUntil(
        [this] { return !window->runActive() && !window->handOverPending(); }));
    EXPECT_FALSE(wouldWait);
    EXPECT_EQ(lists.modes, std::vector<RefreshMode>{RefreshMode::Full}) << "the lists follow it";

    // Over the open window the user's own check still shows its dialog.
    QWidget* modal = nullptr;
    checkBody = [](RunHost& host) {
        checkRunning = 1;
        host.waitForWaitDialog();
        host.closeWaitDialog();
        host.armRunDone(10);
        checkRunning = 0;
    };
    QTimer::singleShot(0, [&] { modal = QApplication::activeModalWidget(); });
    window->checkNow();
    EXPECT_NE(modal, nullptr);
}

TEST_F(CheckerWindowTest, ARunThatDoesNotStartLeavesNoWaitDialogBehind) {
    makeWindow();
    addAccount("A");
    window->OnCommand(kCmdOpenWindow);
    checkBody = [](RunHost&) {}; // refuses at once, closes nothing
    window->checkNow();
    EXPECT_EQ(checkRuns, 1);
    EXPECT_FALSE(window->runActive());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(CheckerWindowTest, RunHostCallsReachTheTrayOnTheWindowThread) {
    makeWindow();
    window->OnInitDialog();
    windowHidden = 1;
    std::thread worker([this] {
        window->runHost().setTrayIcon(TrayIconKind::NewMail);
        window->runHost().setTrayTooltip("Oscar: 5 new mails !\n");
    });
    worker.join();
    ASSERT_TRUE(test::processEventsUntil(
        [this] { return window->tray().tooltip() == "Oscar: 5 new mails !\n"; }));
    EXPECT_EQ(window->trayIconKind(), TrayIconKind::NewMail);
}

TEST_F(CheckerWindowTest, ARunStopsTheAlarmTimers) {
    makeWindow();
    window->timers().set(LedTimer, 300);
    window->timers().set(RepeatTimer, 10000);
    std::thread worker([this] { window->runHost().stopAlarmTimers(); });
    worker.join();
    ASSERT_TRUE(test::processEventsUntil([this] { return !window->timers().isActive(LedTimer); }));
    EXPECT_FALSE(window->timers().isActive(RepeatTimer));
}

TEST_F(CheckerWindowTest, SilencingClearsTheCheckBoxAndRestartsTheLedsWhileMailIsUnread) {
    makeWindow();
    auto* scroll = window->controls().get<QCheckBox>(kScrollLockBox);
    scroll->setChecked(true);
    int toggles = 0;
    QObject::connect(scroll, &QCheckBox::toggled, [&] { ++toggles; });
    window->clearCheckBox(AlarmSetting::ScrollLockLed);
    EXPECT_FALSE(scroll->isChecked());
    EXPECT_EQ(toggles, 0); // the panel is not asked to switch it again

    window->ledSettingSwitchedOff(LockKey::ScrollLock);
    EXPECT_FALSE(window->timers().isActive(LedTimer));
    window->state().unreadTotal = 3; // in silent accounts only
    window->ledSettingSwitchedOff(LockKey::ScrollLock);
    EXPECT_FALSE(window->timers().isActive(LedTimer));
    window->state().alarmingUnread = 3;
    window->ledSettingSwitchedOff(LockKey::ScrollLock);
    EXPECT_EQ(window->timers().interval(LedTimer), 300);
}

TEST_F(CheckerWindowTest, MarkReadTimerFiresOnceIntoItsHook) {
    makeWindow();
    int opened = 0;
    QObject::connect(window.get(), &CCheckerDlg::markReadDue, [&] { ++opened; });
    window->timers().set(MarkReadTimer, 1);
    ASSERT_TRUE(test::processEventsUntil([&] { return opened == 1; }));
    EXPECT_FALSE(window->timers().isActive(MarkReadTimer));
}

TEST_F(CheckerWindowTest, QuitAsksAndStaysOnNo) {
    makeWindow();
    window->OnCommand(kCmdQuit);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Are you sure you want to quit Ombrix?");
    EXPECT_EQ(abortRequest, 1);
    EXPECT_FALSE(fileExists("obx.dat"));
}

// A header clicked while a check runs chose an order the run was not given:
// the window sorts the lists by it when it takes the run's end over, before
// it saves them.
TEST_F(CheckerWindowTest, AnOrderChosenDuringACheckSortsTheListsAtItsEnd) {
    makeWindow();
    addAccount("A");
    AccountRecord& a = accounts[0];
    a.checked = 1;
    a.mailCount = 2;
    a.mails.setFrom(0, "bob");
    a.mails.setFrom(1, "alice");
    windowHidden = 1;
    window->checkNow();
    ASSERT_TRUE(window->runActive());
    window->state().sortOrder = kSortSenderAscending; // as the header click does
    ASSERT_TRUE(test::processEventsUntil(
        [this] { return !window->runActive() && !window->handOverPending(); }));
    EXPECT_EQ(a.mails.from(0), "alice");
    EXPECT_EQ(a.mails.from(1), "bob");
    const std::string lists = test::readBytes(directory.path() / "obx.msf");
    EXPECT_LT(lists.find("alice"), lists.find("bob"));
}

// The question waits for a commit the run is in the middle of, asleep on the
// table's lock: nothing the run commits is cut off by the end.
TEST_F(CheckerWindowTest, QuitAsksOnlyOnceTheRunsCommitHasEnded) {
    makeWindow();
    std::atomic<bool> committing{false};
    std::atomic<bool> askedWhileCommitting{false};
    std::thread run([&] {
        const CommitBracket bracket;
        committing = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (abortRequest == 0 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Long enough for a question that did not wait to have come.
        const auto asked = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (boxes.texts().empty() && std::chrono::steady_clock::now() < asked)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        askedWhileCommitting = !boxes.texts().empty();
    });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!committing && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    window->OnCommand(kCmdQuit); // answered No
    run.join();
    EXPECT_FALSE(askedWhileCommitting);
    EXPECT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(dataIdle, 1);
}

class NoWindow final : public RunHostWindow {
public:
    void showTrayIcon(TrayIconKind) override {}
    void showTrayTooltip(const std::string&) override {}
    WaitDialogControl* openWaitDialog() override { return nullptr; }
    void stopAlarmTimers() override {}
    void armRunDone(int) override {}
};

// The run sleeps until the window thread says the dialog is up or the window
// went to the tray; either that was so already, or it is woken.
TEST(WindowRunHostTest, ARunWaitsForTheWaitDialogUntilItOpensOrTheWindowHides) {
    enum class Way { DialogOpens, WindowHides };
    for (const bool already : {false, true}) {
        for (const Way way : {Way::DialogOpens, Way::WindowHides}) {
            SCOPED_TRACE(::testing::Message() << "already " << already << ", way " << int(way));
            test::resetProcessState();
            QObject context;
            NoWindow window;
            WindowRunHost host(context, window);
            const auto setFlag = [way] {
                if (way == Way::DialogOpens)
                    waitDialogReady = 1;
                else
                    windowHidden = 1;
            };
            if (already)
                setFlag();
            auto waited = std::async(std::launch::async, [&host] { host.waitForWaitDialog(); });
            if (!already) {
                EXPECT_NE(waited.wait_for(std::chrono::milliseconds(50)),
                          std::future_status::ready);
                setFlag();
                host.waitDialogChanged();
            }
            EXPECT_EQ(waited.wait_for(std::chrono::seconds(20)), std::future_status::ready);
            windowHidden = 1; // a run that still waits goes, so the case ends
            host.waitDialogChanged();
        }
    }
    test::resetProcessState();
}

// A keyring that waits for an unlock nobody gives must not hold up the end:
// from the end of the session on, keyring calls come back at once.
TEST_F(CheckerWindowTest, TheEndOfTheSessionCancelsTheKeyringCalls) {
    makeWindow();
    window->endSession();
    EXPECT_EQ(lookupSecret({"mail.example.org", "anna", "imap", 993}).outcome,
              SecretOutcome::Locked);
}

} // namespace
} // namespace ombrix

namespace ombrix {
namespace {

TEST_F(CheckerWindowTest, StoredIntervalsOutsideTheSliderStillGiveASanePeriod) {
    struct Row {
        std::int32_t minutes;
        int period;
    };
    for (const Row row : {Row{90, 90 * 60000}, Row{0, 60000}, Row{50000000, INT_MAX}}) {
        SCOPED_TRACE(row.minutes);
        test::resetProcessState();
        programDirectory = directory.path().string();
        addAccount("A");
        settings.checkInterval = row.minutes;
        ASSERT_TRUE(saveState(SaveKind::SettingsFile));
        makeWindow();
        window->OnInitDialog();
        EXPECT_EQ(window->timers().interval(CheckTimer), row.period);
        window->timers().kill(FirstCheckTimer);
        window.reset();
    }
}

} // namespace
} // namespace ombrix
