// The tray object: tooltip limits, the icon's mouse messages, its menu, calls
// from a worker thread, and a desktop without a tray.

#include "app/recording_tray_shell.h"
#include "app/system_tray.h"
#include "platform/display_qstring.h"
#include "res/icons.h"
#include "res/menus.h"
#include "support/gui_wait.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace ombrix {
namespace {

class SystemTrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        commands.clear();
        auto owned = std::make_unique<test::RecordingTrayShell>();
        shell = owned.get();
        tray = std::make_unique<CSystemTray>(std::move(owned));
        tray->setCommandTarget([this](int command) { commands.push_back(command); });
    }

    int create(int identifier = res::kTrayMenuEnglish) {
        return tray->CreateTrayIcon(nullptr, kTrayCallbackMessage, "Ombrix",
                                    res::icon(res::kIconIdle), identifier);
    }

    test::RecordingTrayShell* shell = nullptr;
    std::unique_ptr<CSystemTray> tray;
    std::vector<int> commands;
};

struct TooltipRow {
    const char* name;
    std::string text;
    std::string shown;
};

TEST_F(SystemTrayTest, TooltipKeepsAtMost127Bytes) {
    const std::string exact(127, 'a');
    const std::string umlaut = "\xc3\xbc"; // ü in UTF-8
    const std::string latin1Umlaut = "\xfc";
    const TooltipRow rows[] = {
        {"exactly127", exact, exact},
        {"cutAfter127", exact + "bcdef", exact},
        {"utf8CharacterNotSplit", std::string(126, 'a') + umlaut + "zz", std::string(126, 'a')},
        {"latin1CutAt127", std::string(126, 'a') + latin1Umlaut + "zz",
         std::string(126, 'a') + latin1Umlaut},
        {"shortStaysWhole", "Oscar: 5 new mails !\n", "Oscar: 5 new mails !\n"},
    };
    ASSERT_EQ(create(), 1);
    for (const TooltipRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(tray->ChangeTooltip(row.text), 1);
        EXPECT_EQ(tray->tooltip(), row.shown);
        EXPECT_EQ(shell->calls.back().kind, test::TrayShellCall::Modify);
        EXPECT_EQ(shell->calls.back().tooltip, toDisplay(row.shown));
    }
}

TEST_F(SystemTrayTest, ChangesBeforeCreationFail) {
    EXPECT_EQ(tray->ChangeTooltip("x"), 0);
    EXPECT_EQ(tray->ChangeIcon(res::icon(res::kIconNewMail)), 0);
    EXPECT_TRUE(shell->calls.empty());
}

TEST_F(SystemTrayTest, DoubleClickOpensTheWindowAndASingleClickDoesNothing) {
    ASSERT_EQ(create(), 1);
    EXPECT_EQ(tray->HandleTrayMessage(res::kTrayMenuEnglish, TrayMouse::LeftButtonUp), 1);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(tray->HandleTrayMessage(res::kTrayMenuEnglish, TrayMouse::LeftButtonDoubleClick), 1);
    EXPECT_EQ(commands, std::vector<int>{res::kCmdOpenWindow});
}

TEST_F(SystemTrayTest, ShellActivationsReachTheWindow) {
    ASSERT_EQ(create(), 1);
    shell->activated(TrayActivation::Trigger);
    shell->activated(TrayActivation::DoubleClick);
    EXPECT_EQ(commands, std::vector<int>{res::kCmdOpenWindow});
}

TEST_F(SystemTrayTest, OnAStatusNotifierHostAClickOpensAndTheHostHasTheMenu) {
    shell->statusNotifierHost = true;
    ASSERT_EQ(create(), 1);
    shell->activated(TrayActivation::Trigger);
    EXPECT_EQ(commands, std::vector<int>{res::kCmdOpenWindow});

    ASSERT_NE(shell->menu, nullptr);
    EXPECT_EQ(shell->menu, tray->hostMenu());
    ASSERT_NE(shell->menu->defaultAction(), nullptr);
    shell->menu->actions().back()->trigger(); // the menu's last entry: quit
    shell->menu->defaultAction()->trigger();
    EXPECT_EQ(commands,
              (std::vector<int>{res::kCmdOpenWindow, res::kCmdQuit, res::kCmdOpenWindow}));
}

TEST_F(SystemTrayTest, ForeignIdentifiersAreIgnored) {
    ASSERT_EQ(create(res::kTrayMenuEnglish), 1);
    for (int foreign : {res::kTrayMenuGerman, 0, 150}) {
        EXPECT_EQ(tray->HandleTrayMessage(foreign, TrayMouse::LeftButtonDoubleClick), 0);
        EXPECT_EQ(tray->HandleTrayMessage(foreign, TrayMouse::RightButtonUp), 0);
    }
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(tray->openMenu(), nullptr);
}

TEST_F(SystemTrayTest, NoTargetWindowMeansNothingHappens) {
    ASSERT_EQ(create(), 1);
    tray->setCommandTarget(nullptr);
    EXPECT_EQ(tray->HandleTrayMessage(res::kTrayMenuEnglish, TrayMouse::LeftButtonDoubleClick), 0);
}

TEST_F(SystemTrayTest, RightClickMenuInTheIdentifiersLanguageReachesTheWindow) {
    struct Row {
        int identifier;
        const char* first;
        const char* last;
    };
    for (const Row& row : {Row{res::kTrayMenuEnglish, "open Ombrix", "quit"},
                           Row{res::kTrayMenuGerman, "Ombrix öffnen", "Beenden"}}) {
        SetUp();
        ASSERT_EQ(create(row.identifier), 1);
        QWidget hiddenWindow; // the menu works while the window hides
        ASSERT_EQ(tray->HandleTrayMessage(row.identifier, TrayMouse::RightButtonUp), 1);
        QMenu* menu = tray->openMenu();
        ASSERT_NE(menu, nullptr);
        QList<QAction*> items;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                items.append(action);
        ASSERT_EQ(items.size(), 4);
        EXPECT_EQ(items.front()->text(), QString::fromUtf8(row.first));
        EXPECT_EQ(items.back()->text(), QString::fromUtf8(row.last));
        EXPECT_EQ(menu->defaultAction(), items.front());
        EXPECT_EQ(menu->actions().size(), 6); // two separators
        items[1]->trigger();
        EXPECT_EQ(commands, std::vector<int>{res::kCmdCheckNow});
        menu->close();
    }
}

TEST_F(SystemTrayTest, WorkerThreadChangesAreQueuedOntoTheWindowThread) {
    ASSERT_EQ(create(), 1);
    std::thread worker([this] {
        EXPECT_EQ(tray->ChangeTooltip("checking mails..."), 1);
        EXPECT_EQ(tray->ChangeIcon(res::icon(res::kIconChecking)), 1);
    });
    worker.join();
    EXPECT_EQ(tray->tooltip(), "Ombrix"); // not yet: the window thread did not run
    ASSERT_TRUE(
        test::processEventsUntil([this] { return tray->tooltip() == "checking mails..."; }));
    EXPECT_EQ(shell->count(test::TrayShellCall::Modify), 2);
}

TEST_F(SystemTrayTest, WithoutATrayTheWindowMinimizesAndTheIconComesWithTheTray) {
    shell->trayRuns = false;
    EXPECT_EQ(create(), 0);
    EXPECT_TRUE(tray->isRemoved());
    EXPECT_TRUE(tray->isAddPending());

    QWidget window;
    window.show();
    EXPECT_FALSE(tray->HideToTray(&window));
    EXPECT_FALSE(window.isHidden()); // still there to come back to
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);

    // Changes meanwhile are kept for the icon that is added later.
    EXPECT_EQ(tray->ChangeTooltip("Oscar: 2 new mails !\n"), 1);
    EXPECT_EQ(shell->count(test::TrayShellCall::Modify), 0);

    shell->trayRuns = true;
    ASSERT_TRUE(test::processEventsUntil([this] { return !tray->isRemoved(); }));
    EXPECT_EQ(shell->calls.back().kind, test::TrayShellCall::Add);
    EXPECT_EQ(shell->calls.back().tooltip, QStringLiteral("Oscar: 2 new mails !\n"));
    EXPECT_FALSE(tray->isAddPending());

    QWidget second;
    second.show();
    EXPECT_TRUE(tray->HideToTray(&second));
    EXPECT_TRUE(second.isHidden());
    tray->RestoreFromTray(&second);
    EXPECT_TRUE(second.isVisible());
}

TEST_F(SystemTrayTest, ATrayHostThatGoesAwayGetsTheIconAgainWhenItReturns) {
    ASSERT_EQ(create(), 1);
    shell->trayRuns = false;
    ASSERT_TRUE(test::processEventsUntil([this] { return tray->isAddPending(); }));
    shell->trayRuns = true;
    ASSERT_TRUE(test::processEventsUntil([this] { return !tray->isAddPending(); }));
    EXPECT_EQ(shell->count(test::TrayShellCall::Add), 2);
}

TEST_F(SystemTrayTest, AWindowInATrayThatGoesAwayIsMinimizedUntilATrayIsBack) {
    ASSERT_EQ(create(), 1);
    QWidget window;
    window.show();
    ASSERT_TRUE(tray->HideToTray(&window));
    shell->trayRuns = false;
    ASSERT_TRUE(test::processEventsUntil([&] { return !window.isHidden(); }));
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized); // on the taskbar
    shell->trayRuns = true;
    ASSERT_TRUE(test::processEventsUntil([&] { return window.isHidden(); }));
    EXPECT_FALSE(tray->isAddPending());

    // Opened by the user while there was no tray: it stays open.
    shell->trayRuns = false;
    ASSERT_TRUE(test::processEventsUntil([&] { return !window.isHidden(); }));
    tray->RestoreFromTray(&window);
    shell->trayRuns = true;
    ASSERT_TRUE(test::processEventsUntil([this] { return !tray->isAddPending(); }));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
}

TEST_F(SystemTrayTest, AHostThatComesOrGoesIsAnsweredWithoutWaitingForThePoll) {
    ASSERT_EQ(create(), 1);
    QWidget window;
    window.show();
    ASSERT_TRUE(tray->HideToTray(&window));

    shell->trayRuns = false;
    shell->availabilityChanged();
    EXPECT_TRUE(tray->isAddPending());
    EXPECT_FALSE(window.isHidden());
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);

    shell->trayRuns = true;
    shell->availabilityChanged();
    EXPECT_FALSE(tray->isAddPending());
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(shell->count(test::TrayShellCall::Add), 2);
}

TEST_F(SystemTrayTest, TheHostsActivationTokenGoesOnlyToTheWindowItsClickOpens) {
    shell->statusNotifierHost = true;
    ASSERT_EQ(create(), 1);
    QWidget window;
    QStringList tokens;
    tray->setWindowActivator([&tokens](QWidget*, const QString& token) { tokens << token; });
    tray->setCommandTarget([&](int command) {
        if (command == res::kCmdOpenWindow)
            tray->RestoreFromTray(&window);
    });

    shell->activationToken = "click";
    shell->activated(TrayActivation::Trigger);
    EXPECT_EQ(tokens, QStringList{"click"});

    // A token that came with the menu's click is gone when an entry is chosen.
    shell->activationToken = "menu";
    shell->activated(TrayActivation::Context);
    tray->RestoreFromTray(&window);
    EXPECT_EQ(tokens, (QStringList{"click", QString()}));
    if (QMenu* open = tray->openMenu())
        open->close();
}

TEST_F(SystemTrayTest, RemovingTwiceTouchesTheShellOnce) {
    ASSERT_EQ(create(), 1);
    EXPECT_TRUE(tray->RemoveTrayIcon());
    EXPECT_TRUE(tray->RemoveTrayIcon());
    EXPECT_EQ(shell->count(test::TrayShellCall::Remove), 1);
    EXPECT_TRUE(tray->isHidden());
}

} // namespace
} // namespace ombrix
