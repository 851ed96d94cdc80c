#include "config/program_directory.h"
#include "config/trusted_certificates.h"
#include "core/account_table.h"
#include "core/language.h"
#include "dialogs/change_konto.h"
#include "res/account_dialog_templates.h"
#include "support/find_control.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::control;

class AccountEditorTest : public testing::Test {
protected:
    // The row of the table the editor opens on.
    static constexpr int kEdited = 1;

    void SetUp() override {
        test::resetProcessState();
        accountCount = 2;
        AccountRecord& a = accounts[1];
        a.name = "anna@example.org";
        a.host = "pop.example.org";
        a.user = "anna";
        a.password = "secret";
        a.port = "110";
        a.protocol = 0;
        a.useSsl = 0;
    }
    void TearDown() override { test::resetProcessState(); }

    static QLineEdit* edit(const ChangeKonto& dialog, int id) {
        return control<QLineEdit>(dialog, id);
    }
    static void pressOk(const ChangeKonto& dialog) {
        control<QPushButton>(dialog, res::kEditorOk)->click();
    }

    test::ScriptedMessagePresenter boxes;
};

TEST_F(AccountEditorTest, OpeningShowsTheAccount) {
    accounts[1].useSsl = 1;
    accounts[1].protocol = 1;
    ChangeKonto dialog(kEdited);
    EXPECT_EQ(edit(dialog, res::kEditorAddress)->text(), "anna@example.org");
    EXPECT_EQ(edit(dialog, res::kEditorServer)->text(), "pop.example.org");
    EXPECT_EQ(edit(dialog, res::kEditorUser)->text(), "anna");
    EXPECT_EQ(edit(dialog, res::kEditorPassword)->text(), "secret");
    EXPECT_EQ(edit(dialog, res::kEditorPassword)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit(dialog, res::kEditorPort)->text(), "110");
    EXPECT_EQ(control<QComboBox>(dialog, res::kEditorProtocol)->currentText(), "IMAP");
    EXPECT_TRUE(control<QCheckBox>(dialog, res::kEditorSsl)->isChecked());
    EXPECT_EQ(dialog.sslBoxState(), 1);
    EXPECT_EQ(dialog.windowTitle(), "edit account");
    EXPECT_EQ(control<QCheckBox>(dialog, res::kEditorSsl)->text(), "SSL encryption");
}

TEST_F(AccountEditorTest, ClearedFieldsKeepTheirValues) {
    ChangeKonto dialog(kEdited);
    for (int id : {res::kEditorAddress, res::kEditorServer, res::kEditorUser, res::kEditorPassword,
                   res::kEditorPort})
        edit(dialog, id)->clear();
    pressOk(dialog);
    const AccountRecord& a = accounts[1];
    EXPECT_EQ(a.name, "anna@example.org");
    EXPECT_EQ(a.host, "pop.example.org");
    EXPECT_EQ(a.user, "anna");
    EXPECT_EQ(a.password, "secret");
    EXPECT_EQ(a.port, "110");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AccountEditorTest, OkTakesTheChangedValues) {
    ChangeKonto dialog(kEdited);
    edit(dialog, res::kEditorServer)->setText("imap.example.org");
    edit(dialog, res::kEditorPassword)->setText(QString::fromUtf8("neuës"));
    edit(dialog, res::kEditorPort)->setText("2143");
    control<QCheckBox>(dialog, res::kEditorSsl)->click();
    pressOk(dialog);
    EXPECT_EQ(accounts[1].host, "imap.example.org");
    EXPECT_EQ(accounts[1].password, "neu\xC3\xAB"
                                    "s")
        << "typed text is stored as UTF-8";
    EXPECT_EQ(accounts[1].port, "2143");
    EXPECT_EQ(accounts[1].useSsl, 1);
}

TEST_F(AccountEditorTest, ProtocolChangeKeepsThePort) {
    ChangeKonto dialog(kEdited);
    control<QComboBox>(dialog, res::kEditorProtocol)->setCurrentIndex(1);
    EXPECT_EQ(edit(dialog, res::kEditorPort)->text(), "110");
    pressOk(dialog);
    EXPECT_EQ(accounts[1].protocol, 1);
    EXPECT_EQ(accounts[1].port, "110");
}

TEST_F(AccountEditorTest, SslTickedThenCancelledChangesNothing) {
    ChangeKonto dialog(kEdited);
    control<QCheckBox>(dialog, res::kEditorSsl)->click();
    EXPECT_EQ(dialog.sslBoxState(), 1);
    edit(dialog, res::kEditorUser)->setText("other");
    control<QPushButton>(dialog, res::kEditorCancel)->click();
    EXPECT_EQ(accounts[1].useSsl, 0);
    EXPECT_EQ(accounts[1].user, "anna");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(AccountEditorTest, SslClicksFlipTheTrackedState) {
    accounts[1].useSsl = 1;
    ChangeKonto dialog(kEdited);
    auto* ssl = control<QCheckBox>(dialog, res::kEditorSsl);
    ssl->click();
    ssl->click();
    ssl->click();
    EXPECT_EQ(dialog.sslBoxState(), 0);
    pressOk(dialog);
    EXPECT_EQ(accounts[1].useSsl, 0);
}

TEST_F(AccountEditorTest, PortEditRefusesLetters) {
    ChangeKonto dialog(kEdited);
    QLineEdit* port = edit(dialog, res::kEditorPort);
    port->clear();
    for (const char* typed : {"9", "x", "9", "-", "5"}) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(typed));
        QCoreApplication::sendEvent(port, &key);
    }
    EXPECT_EQ(port->text(), "995");
}

TEST_F(AccountEditorTest, UntouchedLatin1ValuesKeepTheirBytes) {
    accounts[1].password = "s\xE9sam"; // written by a Windows installation
    accounts[1].user = "j\xFCrgen";
    ChangeKonto dialog(kEdited);
    EXPECT_EQ(edit(dialog, res::kEditorPassword)->text(), QString::fromUtf8("sésam"));
    pressOk(dialog);
    EXPECT_EQ(accounts[1].password, "s\xE9sam");
    EXPECT_EQ(accounts[1].user, "j\xFCrgen");
}

TEST_F(AccountEditorTest, ControlCharactersAreRefusedAndTheDialogStays) {
    struct Row {
        const char* name;
        int id;
        const char* typed;
        const char* expected;
    };
    const Row rows[] = {
        {"line break in the password", res::kEditorPassword, "abc\r\nDELE 1",
         "The password must not contain a line break or other control character !"},
        {"line break in the user", res::kEditorUser, "abc\r\nDELE 1",
         "The username must not contain a line break or other control character !"},
        // Stored shifted by three, byte 29 would become the end byte 26 of obx.dat.
        {"group separator in the password", res::kEditorPassword, "ab\x1d",
         "The password must not contain a line break or other control character !"},
        {"tab in the address", res::kEditorAddress, "a\tb",
         "The mail address must not contain a line break or other control character !"},
        {"escape in the port", res::kEditorPort,
         "1\x1b"
         "10",
         "The port must not contain a line break or other control character !"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ChangeKonto dialog(kEdited);
        dialog.show();
        edit(dialog, res::kEditorServer)->setText("changed.example.org");
        edit(dialog, row.id)->setText(row.typed);
        pressOk(dialog);
        ASSERT_FALSE(boxes.texts().empty());
        EXPECT_EQ(boxes.texts().back(), row.expected);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(accounts[1].host, "pop.example.org") << "nothing is taken";
        EXPECT_EQ(accounts[1].password, "secret");
        EXPECT_EQ(accounts[1].user, "anna");
        EXPECT_EQ(accounts[1].name, "anna@example.org");
    }
}

// The box shows only for a server whose certificate is pinned, names the
// faults accepted with it, and takes the pin away only on OK.
TEST_F(AccountEditorTest, APinnedCertificateIsForgottenOnOkWhenTicked) {
    const test::TempDir dir;
    programDirectory = dir.path().string();
    accounts[1].useSsl = 1;
    accounts[1].port = "995";
    {
        ChangeKonto unpinned(kEdited);
        EXPECT_TRUE(control<QCheckBox>(unpinned, res::kEditorForgetPin)->isHidden());
    }
    CertificateFacts facts;
    facts.sha256 = std::string(95, 'A');
    facts.faults = {"self-signed", "name-mismatch"};
    ASSERT_FALSE(pinCertificate(programDirectory, "pop.example.org:995", facts));
    {
        ChangeKonto cancelled(kEdited);
        auto* forget = control<QCheckBox>(cancelled, res::kEditorForgetPin);
        EXPECT_FALSE(forget->isHidden());
        EXPECT_EQ(forget->text(), "forget the accepted certificate (name mismatch, self-signed)");
        forget->click();
        control<QPushButton>(cancelled, res::kEditorCancel)->click();
        EXPECT_TRUE(certificateTrust().isPinned("pop.example.org:995"));
    }
    Language = 0;
    ChangeKonto dialog(kEdited);
    auto* forget = control<QCheckBox>(dialog, res::kEditorForgetPin);
    EXPECT_EQ(forget->text(), QString::fromUtf8("akzeptiertes Zertifikat vergessen (Servername "
                                                "passt nicht, selbst signiert)"));
    forget->click();
    pressOk(dialog);
    EXPECT_FALSE(certificateTrust().isPinned("pop.example.org:995"));
    certificateTrust().clear();
    loadTrustedCertificates(programDirectory);
    EXPECT_FALSE(certificateTrust().isPinned("pop.example.org:995")) << "gone from the file too";
}

TEST_F(AccountEditorTest, GermanTexts) {
    Language = 0;
    ChangeKonto dialog(kEdited);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Emailkonto ändern"));
    EXPECT_EQ(control<QPushButton>(dialog, res::kEditorCancel)->text(), "Abbrechen");
    EXPECT_EQ(control<QCheckBox>(dialog, res::kEditorSsl)->text(),
              QString::fromUtf8("SSL Verschlüsselung"));
}

TEST_F(AccountEditorTest, OAuthIsOfferedForAPresetsServerAndOneOfOnesOwn) {
    ChangeKonto dialog(kEdited);
    auto* auth = control<QComboBox>(dialog, res::kEditorAuth);
    const auto offered = [auth] {
        QStringList texts;
        for (int i = 0; i < auth->count(); ++i)
            texts << auth->itemText(i);
        return texts.join(" | ").toStdString();
    };
    EXPECT_EQ(offered(), "password | OAuth (custom)");
    EXPECT_EQ(auth->currentIndex(), 0);
    EXPECT_TRUE(edit(dialog, res::kEditorPassword)->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(dialog, res::kEditorSignInAgain)->isHidden());

    edit(dialog, res::kEditorServer)->setText("pop.gmail.com");
    EXPECT_EQ(offered(), "password | OAuth (Google) | OAuth (custom)");
    auth->setCurrentIndex(1);
    EXPECT_FALSE(edit(dialog, res::kEditorPassword)->isEnabled());
    edit(dialog, res::kEditorServer)->setText("outlook.office365.com");
    EXPECT_EQ(offered(), "password | OAuth (Microsoft) | OAuth (custom)");
    EXPECT_EQ(auth->currentIndex(), 0) << "Google is no longer offered: back to the password";
    EXPECT_TRUE(edit(dialog, res::kEditorPassword)->isEnabled());

    control<QPushButton>(dialog, res::kEditorCancel)->click();
    EXPECT_EQ(accounts[1].host, "pop.example.org");
}

TEST_F(AccountEditorTest, AnOAuthAccountOpensOnItsProviderAndNeedsAPasswordToLeaveIt) {
    AccountRecord& a = accounts[1];
    a.host = "imap.gmail.com";
    a.password.clear();
    a.oauthProvider = "google";
    ChangeKonto dialog(kEdited);
    auto* auth = control<QComboBox>(dialog, res::kEditorAuth);
    EXPECT_EQ(auth->currentText(), "OAuth (Google)");
    EXPECT_FALSE(edit(dialog, res::kEditorPassword)->isEnabled());
    EXPECT_FALSE(control<QCheckBox>(dialog, res::kEditorSignInAgain)->isHidden());

    auth->setCurrentIndex(0);
    EXPECT_TRUE(control<QCheckBox>(dialog, res::kEditorSignInAgain)->isHidden());
    pressOk(dialog);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Enter your password !"});
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(a.oauthProvider, "google");

    edit(dialog, res::kEditorPassword)->setText("app password");
    pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(a.oauthProvider, "");
    EXPECT_EQ(a.password, "app password");
}

} // namespace
} // namespace ombrix
