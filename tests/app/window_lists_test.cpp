#include "app/checker_dlg.h"
#include "app/window_lists.h"
#include "app/window_state.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "res/main_dialog_template.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QSlider>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

class WindowListsTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
        AccountRecord& a = accounts[0];
        accountCount = 1;
        a.name = "work";
        a.checked = 1;
        a.mailCount = 2;
        a.mails.setFrom(0, "ann");
        a.mails.setFrom(1, "ann");
    }
    void TearDown() override { test::resetProcessState(); }

    test::TempDir dir;
    test::ScriptedMessagePresenter boxes;
};

TEST_F(WindowListsTest, ListsFillTheWindowsPlacesAndAnswerItsRefresh) {
    CCheckerDlg dialog;
    WindowLists lists(dialog);
    EXPECT_TRUE(dialog.controls().byId(res::kAccountList)->isAncestorOf(&lists.accountList()));
    EXPECT_TRUE(dialog.controls().byId(res::kMailList)->isAncestorOf(&lists.mailList()));

    dialog.refreshLists(RefreshMode::Full);
    ASSERT_EQ(lists.accountList().topLevelItemCount(), 1);
    EXPECT_EQ(lists.accountList().statusText(0), "2 new mails !");
    EXPECT_EQ(dialog.state().unreadTotal, 2u);
    EXPECT_EQ(dialog.trayIconKind(), TrayIconKind::NewMail);
    EXPECT_TRUE(dialog.timers().isActive(LedTimer));
    EXPECT_EQ(dialog.timers().interval(LedTimer), 300);
}

TEST_F(WindowListsTest, PanelWorksOnTheWindowsOwnControls) {
    CCheckerDlg dialog;
    WindowLists lists(dialog);
    settings.checkInterval = 20;
    lists.panel().fillFromSettings();
    auto* slider = dialog.controls().get<QSlider>(res::kIntervalSlider);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), 20);
    slider->setValue(5);
    EXPECT_EQ(dialog.timers().interval(CheckTimer), 5 * 60000);
}

} // namespace
} // namespace ombrix
