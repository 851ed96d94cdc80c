// The tray icon on a StatusNotifierItem host (KDE Plasma, GNOME with the
// AppIndicator extension), played by a fake watcher on a private session bus:
// the program's item registers, shows its icon and tooltip, opens the window
// on Activate and its menu on ContextMenu. Runs under Xvfb on the xcb
// platform, where an XEmbed tray would be the other choice.

#include "app/checker_dlg.h"
#include "app/fake_status_notifier_watcher.h"
#include "app/status_notifier_host.h"
#include "app/window_state.h"
#include "config/program_directory.h"
#include "core/language.h"
#include "core/run_flags.h"
#include "platform/desktop_session.h"
#include "support/gui_wait.h"
#include "support/private_session_bus.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QImage>
#include <QMenu>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace ombrix {
namespace {

// A failure guard only: every wait ends as soon as its condition holds.
constexpr int kBound = 20000;

test::WatcherBusEnvironment* environment = nullptr;

class StatusNotifierTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
        Language = 1;
    }
    void TearDown() override { test::resetProcessState(); }

    test::FakeStatusNotifierWatcher& watcher() { return *environment->watcher; }
    QDBusConnection& bus() { return *environment->watcherBus; }
    QVariantMap itemProperties() { return host.properties(); }

    // Makes the window with the desktop's own tray and waits for its item.
    void makeWindow() {
        window = std::make_unique<CCheckerDlg>();
        ASSERT_TRUE(
            test::processEventsUntil([&] { return !watcher().itemService().isEmpty(); }, kBound))
            << "the tray item never registered with the watcher";
    }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
    test::StatusNotifierHost host{bus(), watcher(), kBound};
    std::unique_ptr<CCheckerDlg> window;
};

TEST_F(StatusNotifierTest, TheItemShowsTheIconAndTooltipAndFollowsTheirChanges) {
    makeWindow();
    QVariantMap properties = itemProperties();
    EXPECT_EQ(properties.value("Id").toString(), "ombrix");
    EXPECT_EQ(properties.value("Title").toString(), "ombrix");
    EXPECT_EQ(properties.value("Category").toString(), "Communications");
    EXPECT_EQ(properties.value("Status").toString(), "Active");
    EXPECT_FALSE(properties.value("ItemIsMenu").toBool()) << "a click opens, not the menu";
    EXPECT_NE(properties.value("Menu").value<QDBusObjectPath>().path(), "/NO_DBUSMENU")
        << "the host opens the program's menu";
    const QList<test::HostPixmap> idle =
        test::readPixmaps(properties.value("IconPixmap").value<QDBusArgument>());
    ASSERT_FALSE(idle.isEmpty());
    for (const test::HostPixmap& pixmap : idle) {
        EXPECT_GT(pixmap.width, 0);
        EXPECT_EQ(pixmap.argb.size(), qsizetype(pixmap.width) * pixmap.height * 4);
    }
    const test::HostToolTip start =
        test::readToolTip(properties.value("ToolTip").value<QDBusArgument>());
    EXPECT_TRUE((start.title + start.text).contains("Ombrix")) << start.title.toStdString();

    // New mail: another picture and the notification text as the tooltip.
    window->showTrayIcon(TrayIconKind::NewMail);
    window->showTrayTooltip("work: 2 new mails !");
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            const test::HostToolTip tip = host.toolTip();
            return (tip.title + tip.text).contains("work: 2 new mails !");
        },
        kBound));
    properties = itemProperties();
    const QList<test::HostPixmap> newMail =
        test::readPixmaps(properties.value("IconPixmap").value<QDBusArgument>());
    ASSERT_FALSE(newMail.isEmpty());
    EXPECT_NE(newMail.front().argb, idle.front().argb) << "the new-mail picture";
}

TEST_F(StatusNotifierTest, ActivateOpensTheWindowAndContextMenuOpensTheMenu) {
    makeWindow();
    QStringList tokens; // what the window was brought up with
    window->tray().setWindowActivator([&tokens](QWidget* shown, const QString& token) {
        tokens << token;
        activateWindow(shown, token);
    });
    window->hideToTray();
    ASSERT_EQ(windowHidden, 1);
    ASSERT_FALSE(window->isVisible());

    // KDE's host hands the click's activation token first.
    EXPECT_EQ(
        host.callItem(QStringLiteral("ProvideXdgActivationToken"), {QString("click-token")}).type(),
        QDBusMessage::ReplyMessage);
    const QDBusMessage activated =
        host.callItem(QStringLiteral("Activate"), {QVariant(10), QVariant(10)});
    EXPECT_EQ(activated.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(test::processEventsUntil([&] { return window->isVisible(); }, kBound))
        << "Activate did not open the window";
    EXPECT_EQ(windowHidden, 0);
    EXPECT_EQ(tokens, QStringList{"click-token"});

    // A host that shows the menu itself reads it over com.canonical.dbusmenu.
    const QString menuPath = itemProperties().value("Menu").value<QDBusObjectPath>().path();
    QDBusMessage layoutCall = QDBusMessage::createMethodCall(
        watcher().itemService(), menuPath, QStringLiteral("com.canonical.dbusmenu"),
        QStringLiteral("GetLayout"));
    layoutCall << 0 << -1 << QStringList();
    QDBusPendingCall layout = bus().asyncCall(layoutCall, kBound);
    ASSERT_TRUE(test::processEventsUntil([&] { return layout.isFinished(); }, kBound));
    EXPECT_FALSE(layout.isError()) << layout.error().message().toStdString();

    const QDBusMessage menu =
        host.callItem(QStringLiteral("ContextMenu"), {QVariant(10), QVariant(10)});
    EXPECT_EQ(menu.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(test::processEventsUntil(
        [&] {
            const QMenu* open = window->tray().openMenu();
            return open && open->isVisible();
        },
        kBound))
        << "ContextMenu did not open the tray menu";
    if (QMenu* open = window->tray().openMenu())
        open->close();
}

} // namespace
} // namespace ombrix

namespace {

// GoogleTest owns the environment and sets it up before the first case.
[[maybe_unused]] const int environmentAdded = [] {
    ombrix::environment = new ombrix::test::WatcherBusEnvironment(true);
    testing::AddGlobalTestEnvironment(ombrix::environment);
    return 0;
}();

} // namespace
