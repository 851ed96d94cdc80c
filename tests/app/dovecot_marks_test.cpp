// Marks made in the window reach the test Dovecot: the mark-as-read dialog
// and the preview, with the real window and lists, the postbox's thread in
// between. The server's \Seen is read with another client.

#include "app/checker_dlg.h"
#include "app/recording_tray_shell.h"
#include "app/server_marks.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "app/window_state.h"
#include "check/check_run.h"
#include "check/recording_run_host.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "delete/imap_replies.h"
#include "dialogs/mark_read.h"
#include "mark/mark_postbox.h"
#include "res/menus.h"
#include "support/dovecot.h"
#include "support/dovecot_account.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QDialog>
#include <algorithm>
#include <thread>

namespace ombrix::test {
namespace {

constexpr const char* kUser = "ursula";

class DovecotWindowMarksTest : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (IsSkipped())
            return;
        useDovecotImapAccount(server(), kUser, directory_.path().string());
        dialog_ = std::make_unique<CCheckerDlg>(std::make_unique<RecordingTrayShell>());
        lists_ = std::make_unique<WindowLists>(*dialog_);
        CommandServices services;
        services.runDialog = [this](QDialog&) { return answer_; };
        commands_ = std::make_unique<WindowCommands>(*dialog_, *lists_, services);
        commands_->install();
        dialog_->state().markPostbox = &postbox_;
    }

    void TearDown() override {
        commands_.reset();
        lists_.reset();
        dialog_.reset();
        resetProcessState();
    }

    void checkAndShow(int mails, const std::string& seed) {
        fillMailbox(server(), kUser, mails, seed);
        RecordingRunHost host;
        std::thread([&host] { CheckThread(host); }).join();
        ASSERT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
        dialog_->refreshLists(RefreshMode::Full);
        lists_->accountList().selectRow(0);
        dialog_->refreshLists(RefreshMode::Full);
    }

    static std::uint32_t uidOfRow(int row) { return *imapUidNumber(accounts[0].mails.uid(row)); }

    std::vector<std::uint32_t> seenOnServer() {
        postbox_.waitUntilIdle();
        return seenUids(server(), kUser);
    }

    TempDir directory_;
    ScriptedMessagePresenter boxes_;
    MarkPostbox postbox_;
    int answer_ = QDialog::Rejected;
    std::unique_ptr<CCheckerDlg> dialog_;
    std::unique_ptr<WindowLists> lists_;
    std::unique_ptr<WindowCommands> commands_;
};

TEST_F(DovecotWindowMarksTest, TheMarkAsReadDialogSetsSeenOnEveryMailOfTheAccount) {
    checkAndShow(4, "window-mark-a");
    answer_ = CMarkRead::SelectedAccount;
    commands_->markReadTick();
    std::vector<std::uint32_t> all;
    for (int row = 0; row < 4; ++row)
        all.push_back(uidOfRow(row));
    std::ranges::sort(all);
    EXPECT_EQ(seenOnServer(), all);
}

TEST_F(DovecotWindowMarksTest, ThePreviewedMailAloneGetsSeen) {
    checkAndShow(3, "window-mark-b");
    lists_->mailList().selectRows({2}, false);
    dialog_->OnCommand(res::kCmdViewMail);
    EXPECT_EQ(seenOnServer(), std::vector{uidOfRow(2)});
    EXPECT_EQ(accounts[0].mails[2].read, 1);
}

} // namespace
} // namespace ombrix::test
