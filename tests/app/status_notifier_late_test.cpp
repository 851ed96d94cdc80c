// A tray that is not there when the program starts, comes up late, quits
// and comes back: the tray object with the desktop's real shell against a
// fake StatusNotifierWatcher on a private session bus. Needs no window
// system of its own (offscreen or Xvfb without an XEmbed tray alike).

#include "app/fake_status_notifier_watcher.h"
#include "app/status_notifier_host.h"
#include "app/system_tray.h"
#include "platform/desktop_session.h"
#include "res/icons.h"
#include "res/menus.h"
#include "support/gui_wait.h"
#include "support/private_session_bus.h"

#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace ombrix {
namespace {

// A failure guard only: every wait ends as soon as its condition holds.
constexpr int kLateBound = 20000;

test::WatcherBusEnvironment* lateEnvironment = nullptr;

class StatusNotifierLateTest : public testing::Test {
protected:
    void SetUp() override {
        watcher().stop(); // every case starts on a desktop without a tray
        tray = std::make_unique<CSystemTray>();
        tray->setCommandTarget([this](int command) {
            commands.push_back(command);
            if (command == res::kCmdOpenWindow)
                tray->RestoreFromTray(&window); // as the main window does
        });
        tray->setWindowActivator([this](QWidget* shown, const QString& token) {
            tokens << token;
            activateWindow(shown, token);
        });
    }

    test::FakeStatusNotifierWatcher& watcher() { return *lateEnvironment->watcher; }

    int create(int identifier = res::kTrayMenuEnglish) {
        return tray->CreateTrayIcon(nullptr, kTrayCallbackMessage, "Ombrix",
                                    res::icon(res::kIconIdle), identifier);
    }

    bool registrationsReach(int count) {
        return test::processEventsUntil([&] { return watcher().registrations() >= count; },
                                        kLateBound);
    }

    // The icon is made while the news of the watcher may still be on its way.
    void startWatcherAndWaitForTheItem() {
        ASSERT_TRUE(watcher().start());
        const int before = watcher().registrations();
        create();
        ASSERT_TRUE(registrationsReach(before + 1));
        ASSERT_TRUE(test::processEventsUntil([&] { return !tray->isRemoved(); }, kLateBound));
    }

    // Wayland never tells a client that its window is minimized.
    bool minimizedAsFarAsWeKnow() const {
        return onWayland() || window.windowState() & Qt::WindowMinimized;
    }

    QWidget window;
    std::vector<int> commands;
    QStringList tokens;
    std::unique_ptr<CSystemTray> tray;
    test::StatusNotifierHost host{*lateEnvironment->watcherBus, watcher(), kLateBound};
};

TEST_F(StatusNotifierLateTest, AWatcherThatComesLateGetsTheItemAndGetsItAgainWhenItReturns) {
    ASSERT_EQ(create(), 0) << "no tray of any kind yet";
    window.show();
    EXPECT_FALSE(tray->HideToTray(&window)) << "hidden into a tray that is not there";
    EXPECT_FALSE(window.isHidden());
    EXPECT_TRUE(minimizedAsFarAsWeKnow());
    tray->ChangeTooltip("Oscar: 2 new mails !\nwork: 1 new mail !\n");

    const int before = watcher().registrations();
    ASSERT_TRUE(watcher().start());
    ASSERT_TRUE(registrationsReach(before + 1)) << "the late watcher never got the item";
    const auto latency = watcher().registeredAt() - watcher().startedAt();
    std::printf("watcher up -> item registered: %.1f ms\n",
                std::chrono::duration<double, std::milli>(latency).count());
    const QString itemService = watcher().itemService();
    EXPECT_TRUE(itemService.startsWith("org.kde.StatusNotifierItem-")) << itemService.toStdString();

    const QVariantMap properties = host.properties();
    EXPECT_EQ(properties.value("Id").toString(), "ombrix");
    EXPECT_EQ(properties.value("Title").toString(), "ombrix");
    const test::HostToolTip tip = host.toolTip();
    EXPECT_EQ(tip.title, "Oscar: 2 new mails !");
    EXPECT_EQ(tip.text, "work: 1 new mail !");
    const QList<test::HostPixmap> idle = host.pixmaps();
    ASSERT_FALSE(idle.isEmpty());
    ASSERT_TRUE(test::processEventsUntil([&] { return !tray->isRemoved(); }, kLateBound));
    EXPECT_TRUE(tray->HideToTray(&window));
    EXPECT_TRUE(window.isHidden());

    // The tray quits: its window comes out as an ordinary minimized one.
    watcher().stop();
    ASSERT_TRUE(test::processEventsUntil([&] { return tray->isAddPending() && !window.isHidden(); },
                                         kLateBound));
    EXPECT_TRUE(minimizedAsFarAsWeKnow());
    tray->ChangeIcon(res::icon(res::kIconNewMail)); // kept for the tray's return

    const int beforeReturn = watcher().registrations();
    ASSERT_TRUE(watcher().start());
    ASSERT_TRUE(registrationsReach(beforeReturn + 1)) << "the returning watcher lacks the item";
    EXPECT_EQ(watcher().itemService(), itemService);
    ASSERT_TRUE(test::processEventsUntil([&] { return window.isHidden(); }, kLateBound))
        << "the window did not go back into the tray";
    EXPECT_FALSE(tray->isAddPending());
    const QList<test::HostPixmap> newMail = host.pixmaps();
    ASSERT_FALSE(newMail.isEmpty());
    EXPECT_NE(newMail.front().argb, idle.front().argb) << "the picture changed meanwhile";
}

TEST_F(StatusNotifierLateTest, TheIntrospectionListsWhatHostsReadAndCall) {
    startWatcherAndWaitForTheItem();
    const QString xml = host.introspection();
    for (const char* part : {
             R"-(<property name="Id" type="s" access="read")-",
             R"-(<property name="IconPixmap" type="a(iiay)" access="read")-",
             R"-(<property name="ToolTip" type="(sa(iiay)ss)" access="read")-",
             R"-(<property name="Menu" type="o" access="read")-",
             R"-(<method name="ProvideXdgActivationToken">)-",
             R"-(<signal name="NewToolTip">)-",
         })
        EXPECT_TRUE(xml.contains(QLatin1String(part))) << part << "\n" << xml.toStdString();
}

TEST_F(StatusNotifierLateTest, TheHostsActivationTokenComesWithTheWindowItOpens) {
    startWatcherAndWaitForTheItem();
    window.show();
    ASSERT_TRUE(tray->HideToTray(&window));

    ASSERT_EQ(host.callItem("ProvideXdgActivationToken", {QString("token-1")}).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_EQ(host.callItem("Activate", {5, 5}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(test::processEventsUntil([&] { return tokens.size() == 1; }, kLateBound));
    EXPECT_EQ(tokens, QStringList{"token-1"});
    EXPECT_TRUE(window.isVisible());

    // A token is good for one activation: the next click comes without.
    tray->HideToTray(&window);
    ASSERT_EQ(host.callItem("Activate", {5, 5}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(test::processEventsUntil([&] { return tokens.size() == 2; }, kLateBound));
    EXPECT_EQ(tokens.back(), QString());
    EXPECT_EQ(commands, (std::vector<int>{res::kCmdOpenWindow, res::kCmdOpenWindow}));
}

TEST_F(StatusNotifierLateTest, TheHostListsTheTrayMenuAndItsClicksRunTheCommands) {
    startWatcherAndWaitForTheItem();
    const test::HostMenu menu = host.menu();
    ASSERT_TRUE(menu.valid);
    const auto entries = res::trayMenu().items;
    ASSERT_EQ(menu.items.size(), qsizetype(entries.size()));
    int checkNow = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const test::HostMenuItem& item = menu.items[qsizetype(i)];
        SCOPED_TRACE(i);
        EXPECT_EQ(item.separator(), entries[i].german == nullptr);
        if (entries[i].english) {
            EXPECT_EQ(item.label(), QString::fromUtf8(entries[i].english));
        }
        EXPECT_TRUE(item.properties.value("visible", true).toBool());
        EXPECT_TRUE(item.properties.value("enabled", true).toBool());
        if (entries[i].command == res::kCmdCheckNow)
            checkNow = item.id;
    }
    ASSERT_NE(checkNow, 0);
    EXPECT_EQ(host.menuEvent(checkNow, "clicked").type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(test::processEventsUntil([&] { return !commands.empty(); }, kLateBound));
    EXPECT_EQ(commands, std::vector<int>{res::kCmdCheckNow});
    EXPECT_EQ(host.menuEvent(4711, "clicked").type(), QDBusMessage::ErrorMessage);

    // The icon made anew in the other language: the host reads the new menu.
    ASSERT_EQ(create(res::kTrayMenuGerman), 1);
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            const test::HostMenu now = host.menu();
            return !now.items.isEmpty() && now.items.front().label() == "Ombrix öffnen";
        },
        kLateBound));
    EXPECT_GT(host.menu().revision, menu.revision);
}

} // namespace
} // namespace ombrix

namespace {

// GoogleTest owns the environment and sets it up before the first case.
[[maybe_unused]] const int lateEnvironmentAdded = [] {
    ombrix::lateEnvironment = new ombrix::test::WatcherBusEnvironment(false);
    testing::AddGlobalTestEnvironment(ombrix::lateEnvironment);
    return 0;
}();

} // namespace
