// The account editor's alert choice: each kind saved in ombrix.conf and shown
// again, and an own wave file that cannot sound refused with nothing lost.

#include "config/account_alert.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
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

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::control;

class AccountAlertEditorTest : public test::EditedAccountTest {
protected:
    void SetUp() override {
        EditedAccountTest::SetUp();
        test::writeBytes(bell, "RIFF....WAVE");
    }

    static QComboBox* kind(const ChangeKonto& dialog) {
        return control<QComboBox>(dialog, res::kEditorAlert);
    }
    static QLineEdit* file(const ChangeKonto& dialog) {
        return control<QLineEdit>(dialog, res::kEditorAlertWave);
    }
    static QString notice(const ChangeKonto& dialog) {
        return control<QLabel>(dialog, res::kEditorAlertNotice)->text();
    }
    // What ombrix.conf on disk holds for the account.
    AccountAlert stored() const {
        return accountAlertOf(loadProgramConf(programConfPath(programDirectory)),
                              keyringKeyOf(accounts[0]));
    }
    void store(const AccountAlert& alert) {
        updateProgramConf(
            [&](ProgramConf& conf) { setAccountAlert(conf, keyringKeyOf(accounts[0]), alert); });
    }
    static void choose(ChangeKonto& dialog, const std::filesystem::path& path) {
        dialog.setWaveFileChooser(
            [path](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); });
        click(dialog, res::kEditorAlertBrowse);
    }

    const std::filesystem::path bell = directory / "new bell.wav";
    test::ScriptedMessagePresenter boxes;
};

TEST_F(AccountAlertEditorTest, EachChoiceIsSavedAndShownWhenTheEditorOpensAgain) {
    {
        ChangeKonto dialog(kEdited);
        EXPECT_EQ(kind(dialog)->currentText(), "as the program's settings say");
        EXPECT_EQ(kind(dialog)->count(), 3);
        EXPECT_FALSE(file(dialog)->isEnabled());
        EXPECT_TRUE(notice(dialog).isEmpty());
        kind(dialog)->setCurrentIndex(2);
        click(dialog, res::kEditorOk);
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored(), (AccountAlert{AlertKind::Silent, {}}));
    {
        ChangeKonto dialog(kEdited);
        EXPECT_EQ(kind(dialog)->currentText(), "silent: no sound, no LED, no pop-up");
        choose(dialog, bell); // choosing a file chooses the own wave
        EXPECT_EQ(kind(dialog)->currentIndex(), 1);
        EXPECT_TRUE(file(dialog)->isEnabled());
        EXPECT_TRUE(notice(dialog).isEmpty()) << notice(dialog).toStdString();
        click(dialog, res::kEditorOk);
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored(), (AccountAlert{AlertKind::OwnWave, bell.string()}));
    {
        ChangeKonto dialog(kEdited);
        EXPECT_EQ(kind(dialog)->currentIndex(), 1);
        EXPECT_EQ(file(dialog)->text().toStdString(), bell.string());
        kind(dialog)->setCurrentIndex(0);
        click(dialog, res::kEditorOk);
    }
    EXPECT_EQ(stored(), AccountAlert{});
    EXPECT_TRUE(readProgramConf().keys().empty()) << readProgramConf().serialize();
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(AccountAlertEditorTest, CancelKeepsTheStoredChoice) {
    store({AlertKind::OwnWave, bell.string()});
    ChangeKonto dialog(kEdited);
    kind(dialog)->setCurrentIndex(2);
    click(dialog, res::kEditorCancel);
    EXPECT_EQ(stored(), (AccountAlert{AlertKind::OwnWave, bell.string()}));
}

TEST_F(AccountAlertEditorTest, AFileThatCannotSoundIsNamedAndOkKeepsTheDialogAsItIs) {
    const std::filesystem::path gone = directory / "gone.wav";
    store({AlertKind::OwnWave, gone.string()});
    ChangeKonto dialog(kEdited);
    dialog.show();
    EXPECT_EQ(kind(dialog)->currentIndex(), 1);
    EXPECT_EQ(file(dialog)->text().toStdString(), gone.string()) << "shown, not dropped";
    EXPECT_EQ(notice(dialog), "The file does not exist.");

    control<QLineEdit>(dialog, res::kEditorServer)->setText("imap2.example.org");
    click(dialog, res::kEditorOk);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "This account's wave file cannot be played:\n" + gone.string() +
                                    "\nThe file does not exist.\n\nChoose another file or "
                                    "another kind of alert.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(control<QLineEdit>(dialog, res::kEditorServer)->text(), "imap2.example.org");
    EXPECT_EQ(accounts[0].host, "imap.example.org") << "nothing is taken";
    EXPECT_EQ(stored(), (AccountAlert{AlertKind::OwnWave, gone.string()}));

    choose(dialog, directory.path()); // a folder is no file to play
    EXPECT_EQ(notice(dialog), "The file does not exist.");
    // Another kind needs no file; the path stays for a way back.
    kind(dialog)->setCurrentIndex(0);
    EXPECT_TRUE(notice(dialog).isEmpty());
    kind(dialog)->setCurrentIndex(1);
    EXPECT_EQ(notice(dialog), "The file does not exist.");

    choose(dialog, bell);
    click(dialog, res::kEditorOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(accounts[0].host, "imap2.example.org");
}

TEST_F(AccountAlertEditorTest, AnOwnWaveWithoutAFileAsksForOne) {
    ChangeKonto dialog(kEdited);
    kind(dialog)->setCurrentIndex(1);
    EXPECT_EQ(notice(dialog), "No file chosen yet.");
    click(dialog, res::kEditorOk);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("No file chosen yet."), std::string::npos);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(stored(), AccountAlert{});
}

TEST_F(AccountAlertEditorTest, GermanTexts) {
    Language = 0;
    ChangeKonto dialog(kEdited);
    EXPECT_EQ(kind(dialog)->itemText(0), "wie in den Programmeinstellungen");
    EXPECT_EQ(kind(dialog)->itemText(2), "stumm: kein Ton, kein LED, keine Meldung");
    kind(dialog)->setCurrentIndex(1);
    EXPECT_EQ(notice(dialog), QString::fromUtf8("Noch keine Datei gewählt."));
}

} // namespace
} // namespace ombrix
