// The desktop's new-mail notification through the real window and lists,
// against a fake notification service on a private bus: what it says, and
// what its buttons do to the window, the account table and obx.rd.

#include "app/checker_dlg.h"
#include "app/notification_actions.h"
#include "app/recording_tray_shell.h"
#include "app/window_lists.h"
#include "app/window_state.h"
#include "check/check_run.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/language.h"
#include "core/run_flags.h"
#include "platform/desktop_notifier.h"
#include "platform/fake_notification_service.h"
#include "support/gui_wait.h"
#include "support/private_session_bus.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace ombrix {
namespace {

using test::FakeNotificationService;
using test::RecordedCall;

// A failure guard only: every wait ends as soon as its condition holds.
constexpr int kActionBound = 20000;

class NotificationActionsTest : public testing::Test {
protected:
    // One bus for the suite, started before any case has threads running:
    // a fork beside running threads is what ThreadSanitizer cannot follow.
    static void SetUpTestSuite() { sharedBus = new test::PrivateSessionBus; }
    static void TearDownTestSuite() {
        delete sharedBus;
        sharedBus = nullptr;
    }

    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        service = std::make_unique<FakeNotificationService>(
            bus.connect(QStringLiteral("service")),
            QStringList{QStringLiteral("actions"), QStringLiteral("body"),
                        QStringLiteral("body-markup")});
        ASSERT_TRUE(service->registered());
        AccountRecord& work = accounts[accountCount++];
        work.name = "work";
        work.checked = 1;
        work.mailCount = 3;
        for (int i = 0; i < 3; ++i) {
            work.mails.setFrom(i, "A&B <alice>");
            work.mails.setSubject(i, "Invoice " + std::to_string(i + 1));
            work.mails[i].day = static_cast<std::uint8_t>(i + 1);
            work.mails[i].month = 3;
            work.mails[i].year = 2024;
        }
        work.mails.setSubject(2, "Caf\xe9"); // Latin-1 as an old server sends it
        windowHidden = 1;
        startWindow();
    }
    void TearDown() override {
        releaseRun();
        if (window)
            window->endSession();
        lists.reset();
        notifier.reset();
        window.reset();
        test::resetProcessState();
    }

    void startWindow() {
        window = std::make_unique<CCheckerDlg>(std::make_unique<test::RecordingTrayShell>());
        window->setCheckRun([this](RunHost& host) {
            ++checkRuns;
            checkRunning = 1;
            running = true;
            {
                std::unique_lock lock(releaseMutex);
                releaseSignal.wait_for(lock, std::chrono::milliseconds(kActionBound),
                                       [this] { return release.load(); });
            }
            running = false;
            host.armRunDone(10);
            checkRunning = 0;
        });
        notifier = std::make_unique<DesktopNotifier>(bus.connect(QStringLiteral("program")));
        lists = std::make_unique<WindowLists>(*window, notifier.get());
        lists->install();
    }

    void releaseRun() {
        {
            const std::lock_guard lock(releaseMutex);
            release = true;
        }
        releaseSignal.notify_all();
    }

    // New mail as a check leaves it; returns the id the service gave.
    uint arrive(int newMails) {
        QSignalSpy answered(notifier.get(), &DesktopNotifier::announced);
        newMailCount = newMails;
        window->refreshLists(RefreshMode::Full);
        EXPECT_TRUE(answered.wait(kActionBound));
        return notifier->currentId();
    }

    std::vector<RecordedCall> callsOf(const char* member) const {
        std::vector<RecordedCall> found;
        for (const RecordedCall& call : service->calls)
            if (call.member == QLatin1String(member))
                found.push_back(call);
        return found;
    }

    bool allRead() const {
        for (int i = 0; i < accounts[0].mailCount; ++i)
            if (accounts[0].mails[i].read == 0)
                return false;
        return true;
    }

    test::TempDir dir;
    test::ScriptedMessagePresenter boxes;
    static inline test::PrivateSessionBus* sharedBus = nullptr;
    test::PrivateSessionBus& bus = *sharedBus;
    std::unique_ptr<FakeNotificationService> service;
    std::unique_ptr<CCheckerDlg> window;
    std::unique_ptr<DesktopNotifier> notifier;
    std::unique_ptr<WindowLists> lists;
    std::atomic<int> checkRuns{0};
    std::atomic<bool> running{false};
    std::atomic<bool> release{false};
    std::mutex releaseMutex;
    std::condition_variable releaseSignal;
};

TEST_F(NotificationActionsTest, AnArrivalIsOneNotificationNamingSenderAndSubjectEscaped) {
    const uint id = arrive(3);
    ASSERT_NE(id, 0u);
    std::vector<RecordedCall> notifies = callsOf("Notify");
    ASSERT_EQ(notifies.size(), 1u);
    EXPECT_EQ(notifies[0].arguments.value(3).toString(), QStringLiteral("3 new mails"));
    EXPECT_EQ(notifies[0].arguments.value(4).toString(),
              QStringLiteral("A&amp;B &lt;alice&gt; \u2014 Caf\u00e9\n"
                             "A&amp;B &lt;alice&gt; \u2014 Invoice 2\n"
                             "A&amp;B &lt;alice&gt; \u2014 Invoice 1"));
    const QStringList actions = qdbus_cast<QStringList>(notifies[0].arguments.value(5));
    EXPECT_EQ(actions, QStringList({QStringLiteral("default"), QStringLiteral("Open"),
                                    QStringLiteral("mark-read"), QStringLiteral("Mark as read"),
                                    QStringLiteral("check-now"), QStringLiteral("Check now")}));

    // The next arrival replaces it in place, in the language of the day.
    Language = 0;
    accounts[0].mails[0].read = 1;
    EXPECT_EQ(arrive(1), id);
    notifies = callsOf("Notify");
    ASSERT_EQ(notifies.size(), 2u);
    EXPECT_EQ(notifies[1].arguments.value(1).toUInt(), id);
    EXPECT_EQ(notifies[1].arguments.value(3).toString(), QStringLiteral("2 neue Mails"));
}

TEST_F(NotificationActionsTest, ButtonTextsInGerman) {
    lists.reset();
    notifier.reset();
    window.reset();
    Language = 0;
    startWindow();
    arrive(3);
    const std::vector<RecordedCall> notifies = callsOf("Notify");
    ASSERT_EQ(notifies.size(), 1u);
    EXPECT_EQ(qdbus_cast<QStringList>(notifies[0].arguments.value(5)),
              QStringList({QStringLiteral("default"), QStringLiteral("Öffnen"),
                           QStringLiteral("mark-read"), QStringLiteral("Als gelesen markieren"),
                           QStringLiteral("check-now"), QStringLiteral("Jetzt prüfen")}));
    EXPECT_EQ(notifies[0].arguments.value(3).toString(), QStringLiteral("3 neue Mails"));
}

TEST_F(NotificationActionsTest, MarkReadMarksEveryMailAtOnceSavesAndWithdraws) {
    saveState(SaveKind::ReadFlagFile);
    const std::string before = test::readBytes(dir.path() / "obx.rd");
    const uint id = arrive(3);
    ASSERT_EQ(window->trayIconKind(), TrayIconKind::NewMail);

    service->emitActionInvoked(id, QStringLiteral("mark-read"));
    ASSERT_TRUE(test::processEventsUntil([&] { return !callsOf("CloseNotification").empty(); },
                                         kActionBound));
    EXPECT_EQ(callsOf("CloseNotification")[0].arguments.value(0).toUInt(), id);
    EXPECT_TRUE(allRead());
    EXPECT_NE(test::readBytes(dir.path() / "obx.rd"), before);
    EXPECT_EQ(window->trayIconKind(), TrayIconKind::Idle);
    EXPECT_EQ(window->state().unreadTotal, 0u);
    EXPECT_EQ(notifier->currentId(), 0u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(window->timers().isActive(MarkReadTimer)) << "the dialog's timer stays off";
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(NotificationActionsTest, MarkReadDuringACheckWaitsForItsEnd) {
    const uint id = arrive(3);
    window->checkNow(); // behind the tray: no wait dialog
    ASSERT_TRUE(test::processEventsUntil([&] { return running.load(); }, kActionBound));

    service->emitActionInvoked(id, QStringLiteral("mark-read"));
    NotificationActions* actions = lists->actions();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(test::processEventsUntil([&] { return actions->markReadWaiting(); }, kActionBound));
    EXPECT_FALSE(allRead()) << "the run owns the table";

    releaseRun();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !window->runActive() && !window->handOverPending() && allRead(); },
        kActionBound));
    EXPECT_FALSE(actions->markReadWaiting());
    ASSERT_TRUE(test::processEventsUntil([&] { return !callsOf("CloseNotification").empty(); },
                                         kActionBound));
}

TEST_F(NotificationActionsTest, CheckNowStartsARunAndOpenBringsTheWindowUp) {
    releaseRun(); // the scripted check ends at once
    const uint id = arrive(3);
    service->emitActionInvoked(id, QStringLiteral("check-now"));
    ASSERT_TRUE(test::processEventsUntil([&] { return checkRuns == 1; }, kActionBound));
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !window->runActive() && !window->handOverPending(); }, kActionBound));

    ASSERT_EQ(windowHidden, 1);
    service->emitActivationToken(id, QStringLiteral("token-7"));
    service->emitActionInvoked(id, QStringLiteral("default"));
    ASSERT_TRUE(test::processEventsUntil([&] { return windowHidden == 0 && window->isVisible(); },
                                         kActionBound));
}

} // namespace
} // namespace ombrix
