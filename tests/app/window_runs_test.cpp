// The window and a run on the account table at the same time: a real check
// run against a scripted server, held in the middle of its dialogue while the
// window thread refreshes, ticks mark-as-read and opens dialogs. Run under
// ThreadSanitizer as well (label "threads").

#include "app/checker_dlg.h"
#include "app/recording_tray_shell.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "app/window_state.h"
#include "check/check_fixture.h"
#include "config/account_alert.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "dialogs/change_konto.h"
#include "dialogs/mark_read.h"
#include "notify/alarm_sounds.h"
#include "notify/idle_wait.h"
#include "platform/recording_sound.h"
#include "res/menus.h"
#include "support/gui_wait.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace ombrix {
namespace {

using test::kMailA;
using test::kMailB;
using test::kMailC;

std::string dialogKind(QDialog& dialog) {
    if (dynamic_cast<CMarkRead*>(&dialog))
        return "mark read";
    if (dynamic_cast<ChangeKonto*>(&dialog))
        return "editor";
    return "other";
}

class WindowRunsTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
        auto shell = std::make_unique<test::RecordingTrayShell>();
        dialog = std::make_unique<CCheckerDlg>(std::move(shell));
        lists = std::make_unique<WindowLists>(*dialog);
        CommandServices services;
        services.runDialog = [this](QDialog& shown) {
            dialogs.push_back(dialogKind(shown));
            return onDialog ? onDialog(shown) : int(QDialog::Rejected);
        };
        commands = std::make_unique<WindowCommands>(*dialog, *lists, services);
        commands->install();
        windowHidden = 1; // the run needs no wait dialog
    }

    void TearDown() override {
        commands.reset();
        lists.reset();
        dialog.reset();
        installSoundDevice(nullptr);
        test::resetProcessState();
    }

    // A POP3 account on the server that knows mails A (u1) and B (u2), both
    // unread, and shows its mails in the mail list.
    void addKnownAccount(const test::LoopbackServer& server) {
        AccountRecord& a = accounts[accountCount++];
        clearAccount(a);
        a.name = "bob@example.org";
        a.host = server.host();
        a.port = server.port();
        a.user = "bob";
        a.password = "secret";
        test::storeKnown(a, 0, "u1\r\n", kMailA, 0);
        test::storeKnown(a, 1, "u2\r\n", kMailB, 0);
        a.mailCount = 2;
        a.checked = 1;
        dialog->refreshLists(RefreshMode::Full);
        lists->accountList().selectRow(0);
        dialog->refreshLists(RefreshMode::Full);
    }

    // The server lists u1, u2 and a new u3 (mail C), but holds back its answer
    // to STAT until release(): the run is then between its brackets.
    static test::Script heldCheck(std::size_t& heldAt) {
        test::Script s;
        test::pop3Login(s);
        s.expect("STAT");
        heldAt = s.steps().size();
        s.hold().sendLine("+OK 3 900");
        s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n.\r\n");
        test::pop3Fetch(s, 3, kMailC);
        s.expect("QUIT").sendLine("+OK bye");
        return s;
    }

    bool runOver() { return !dialog->runActive() && !dialog->timers().isActive(RunDoneTimer); }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
    std::unique_ptr<CCheckerDlg> dialog;
    std::unique_ptr<WindowLists> lists;
    std::unique_ptr<WindowCommands> commands;
    std::vector<std::string> dialogs;
    std::function<int(QDialog&)> onDialog;
};

TEST_F(WindowRunsTest, MarkingAllReadDuringACheckIsKeptAfterItsCommit) {
    std::size_t heldAt = 0;
    test::LoopbackServer server(heldCheck(heldAt));
    addKnownAccount(server);
    onDialog = [](QDialog&) { return int(CMarkRead::AllAccounts); };

    dialog->checkNow();
    ASSERT_TRUE(server.waitUntilReached(heldAt));
    // The window goes on while the run works: refreshes and the tick.
    dialog->refreshLists(RefreshMode::Full);
    dialog->OnTimer(MarkReadTimer);
    dialog->refreshLists(RefreshMode::AccountsOnly);
    EXPECT_TRUE(dialogs.empty()) << "the question waits for the end of the run";
    server.release();

    ASSERT_TRUE(test::processEventsUntil([&] { return runOver() && dialogs.size() == 1; }));
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(dialogs.front(), "mark read");
    const AccountRecord& a = accounts[0];
    ASSERT_EQ(a.mailCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a.mails[i].read, 1) << a.mails.uid(i);
    EXPECT_EQ(a.errorFlag, 0);
    EXPECT_EQ(lists->mailList().rowCount(), 3);
    EXPECT_EQ(dataIdle, 1);
}

// A reader of the table under its lock sees one list or the other, never the
// commit half done: the known mails, or the known mails and the new one.
TEST_F(WindowRunsTest, ATableReaderOnAnotherThreadNeverSeesHalfACommit) {
    std::size_t heldAt = 0;
    test::LoopbackServer server(heldCheck(heldAt));
    addKnownAccount(server);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!stop) {
            const TableAccess access;
            const AccountRecord& a = accounts[0];
            const int count = validMailCount(a);
            bool whole = count == 2 || count == 3;
            for (int i = 0; i < count && whole; ++i)
                whole = !a.mails.uid(i).empty() && !a.mails.subject(i).empty() &&
                        !a.mails.from(i).empty();
            torn += whole ? 0 : 1;
            ++reads;
        }
    });

    dialog->checkNow();
    ASSERT_TRUE(server.waitUntilReached(heldAt));
    const int readsBefore = reads;
    ASSERT_TRUE(test::processEventsUntil([&] { return reads > readsBefore; }));
    server.release();
    ASSERT_TRUE(test::processEventsUntil([&] { return runOver(); }));
    stop = true;
    reader.join();

    EXPECT_EQ(torn, 0);
    EXPECT_EQ(accounts[0].mailCount, 3);
}

// The editor changes the slot that a run would read: a check that falls due
// while it is open comes when it closes, and the run sees the edit.
TEST_F(WindowRunsTest, ACheckThatFallsDueWhileTheEditorIsOpenStartsWhenItCloses) {
    std::atomic<int> runs{0};
    std::string hostSeen;
    dialog->setCheckRun([&](RunHost& host) {
        ++runs;
        checkRunning = 1;
        {
            const CommitBracket bracket;
            hostSeen = accounts[0].host;
        }
        host.armRunDone(10);
        checkRunning = 0;
    });
    AccountRecord& a = accounts[accountCount++];
    a.name = "bob@example.org";
    a.host = "old.example.org";
    dialog->refreshLists(RefreshMode::Full);
    lists->accountList().selectRow(0);
    int runsWhileOpen = -1;
    onDialog = [&](QDialog&) {
        dialog->OnTimer(CheckTimer); // the timer ticks while the editor is up
        dialog->OnCommand(res::kCmdCheckNow);
        QCoreApplication::processEvents();
        runsWhileOpen = runs;
        accounts[0].host = "new.example.org";
        return int(QDialog::Accepted);
    };

    dialog->OnCommand(res::kCmdEditAccount);
    EXPECT_EQ(dialogs, std::vector<std::string>{"editor"});
    EXPECT_EQ(runsWhileOpen, 0);
    ASSERT_TRUE(test::processEventsUntil([&] { return runs == 1 && runOver(); }));
    EXPECT_EQ(hostSeen, "new.example.org");
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1) << "the held-back ticks make one check";
}

// From the server to the speaker: the run finds mail C new in an account
// that plays its own wave, and the refresh after it plays that file, with
// the panel's wave alarm off.
TEST_F(WindowRunsTest, NewMailOfAnAccountWithItsOwnWavePlaysThatFile) {
    auto recorder = std::make_shared<test::RecordingSound>();
    installSoundDevice(recorder);
    settings.waveAlarm = 0;
    settings.speakerAlarm = 0;
    settings.popupEnabled = 0;
    test::Script s;
    test::pop3Login(s);
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n.\r\n");
    test::pop3Fetch(s, 3, kMailC);
    s.expect("QUIT").sendLine("+OK bye");
    test::LoopbackServer server(s);
    addKnownAccount(server);
    updateProgramConf([](ProgramConf& conf) {
        conf.setFlag(kConfDesktopNotification, false);
        setAccountAlert(conf, keyringKeyOf(accounts[0]),
                        {AlertKind::OwnWave, "/home/bob/bell.wav"});
    });

    dialog->checkNow();
    ASSERT_TRUE(test::processEventsUntil([&] { return runOver() && !recorder->played().empty(); }));
    EXPECT_TRUE(server.waitUntilDone());
    test::waitUntilIdle(wavePlaying);
    const auto played = recorder->played();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].file, "/home/bob/bell.wav");
    EXPECT_EQ(accounts[0].mailCount, 3);
    EXPECT_EQ(accounts[0].newMails, 0) << "taken by the announcement";
}

} // namespace
} // namespace ombrix
