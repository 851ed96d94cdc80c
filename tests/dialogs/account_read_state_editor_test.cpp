// The account editor's read-state switches: saved in ombrix.conf only when
// changed, shown again, and out of reach while the account is POP3.

#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/read_state_switches.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "dialogs/change_konto.h"
#include "dialogs/edited_account_fixture.h"
#include "res/account_dialog_templates.h"
#include "support/find_control.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::control;

class ReadStateEditorTest : public test::EditedAccountTest {
protected:
    static QCheckBox* follow(const ChangeKonto& dialog) {
        return control<QCheckBox>(dialog, res::kEditorFollowServer);
    }
    static QCheckBox* mark(const ChangeKonto& dialog) {
        return control<QCheckBox>(dialog, res::kEditorMarkOnServer);
    }
    // What ombrix.conf on disk holds for the account.
    ReadStateSwitches stored() const {
        return readStateSwitchesOf(loadProgramConf(programConfPath(programDirectory)),
                                   keyringKeyOf(accounts[0]));
    }

    test::ScriptedMessagePresenter boxes;
};

TEST_F(ReadStateEditorTest, SwitchesAreOnAtFirstAndKeptWhereTheUserTurnedThemOff) {
    {
        ChangeKonto dialog(kEdited);
        EXPECT_EQ(follow(dialog)->text(), "read state follows the server");
        EXPECT_EQ(mark(dialog)->text(), "mark read on the server too");
        EXPECT_TRUE(follow(dialog)->isChecked());
        EXPECT_TRUE(mark(dialog)->isChecked());
        EXPECT_TRUE(follow(dialog)->isEnabled());
        click(dialog, res::kEditorOk);
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(readProgramConf().keys().empty()) << "nothing changed, nothing written";
    {
        ChangeKonto dialog(kEdited);
        follow(dialog)->setChecked(false);
        click(dialog, res::kEditorOk);
    }
    EXPECT_EQ(stored(), (ReadStateSwitches{false, true}));
    {
        ChangeKonto dialog(kEdited);
        EXPECT_FALSE(follow(dialog)->isChecked());
        follow(dialog)->setChecked(true);
        mark(dialog)->setChecked(false);
        click(dialog, res::kEditorCancel);
    }
    EXPECT_EQ(stored(), (ReadStateSwitches{false, true})) << "cancel keeps what was stored";
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ReadStateEditorTest, PopAccountCannotReachTheSwitchesUntilItTurnsImap) {
    accounts[0].protocol = 0;
    Language = 0;
    ChangeKonto dialog(kEdited);
    EXPECT_EQ(follow(dialog)->text(), "Gelesen-Status folgt dem Server");
    EXPECT_EQ(mark(dialog)->text(), "Auch auf dem Server als gelesen markieren");
    EXPECT_FALSE(follow(dialog)->isEnabled());
    EXPECT_FALSE(mark(dialog)->isEnabled());
    control<QComboBox>(dialog, res::kEditorProtocol)->setCurrentIndex(1);
    EXPECT_TRUE(follow(dialog)->isEnabled());
    EXPECT_TRUE(mark(dialog)->isEnabled());
    control<QComboBox>(dialog, res::kEditorProtocol)->setCurrentIndex(0);
    EXPECT_FALSE(mark(dialog)->isEnabled());
}

} // namespace
} // namespace ombrix
