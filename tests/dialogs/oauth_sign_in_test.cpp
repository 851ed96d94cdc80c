// The sign-in with OAuth from the account editor and the wizard against the
// mock provider (support/oauth_mock_server.py): the browser runs on a thread
// of its own and the window thread keeps serving events; a completed sign-in
// stores the account with its provider and no password, a cancelled one
// changes nothing. No keyring here: refresh tokens land in ombrix.conf.

#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "dialogs/change_konto.h"
#include "dialogs/edited_account_fixture.h"
#include "dialogs/sign_in_task.h"
#include "dialogs/sign_in_wait.h"
#include "dialogs/wizzard.h"
#include "oauth/refresh_tokens.h"
#include "oauth/token_broker.h"
#include "sign_in_steps.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <cstdlib>

namespace ombrix {
namespace {

using test::control;

class OAuthSignInDialogTest : public test::EditedAccountTest {
protected:
    void SetUp() override {
        EditedAccountTest::SetUp();
        oauth::resetRefreshTokenNotice();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    }
    void TearDown() override {
        setSignInUrlOpener({});
        browser.finish();
        EditedAccountTest::TearDown();
    }

    static void chooseAuth(const QWidget& dialog, int id, const std::string& provider) {
        auto* box = control<QComboBox>(dialog, id);
        const int index = box->findData(QString::fromStdString(provider));
        ASSERT_GE(index, 0) << provider << " is not offered";
        box->setCurrentIndex(index);
    }

    // The wizard's first five steps: an IMAP account with TLS.
    static void answerUpToTheLastStep(const CWizzard& wizard, const char* address,
                                      const char* server, const char* user) {
        const auto next = [&] { control<QPushButton>(wizard, res::kWizardNext)->click(); };
        control<QLineEdit>(wizard, res::kWizardAnswer)->setText(address);
        next();
        for (int choice = 0; choice < 2; ++choice) {
            control<QComboBox>(wizard, res::kWizardChoice)->setCurrentIndex(1); // IMAP, TLS
            next();
        }
        for (const char* answer : {server, user}) {
            control<QLineEdit>(wizard, res::kWizardAnswer)->setText(answer);
            next();
        }
        ASSERT_EQ(wizard.answers().step, 5);
    }

    std::optional<std::string> conf(const std::string& field) const {
        return loadProgramConf(programConfPath(programDirectory))
            .value(oauthConfKey(field, {"imap.example.org", "anna", "imap", 993}));
    }

    test::OAuthMock mock;
    test::TestBrowser browser;
    test::ScriptedMessagePresenter boxes;
};

TEST_F(OAuthSignInDialogTest, TheEditorSignsInAndStoresTheProviderWithoutAPassword) {
    setSignInUrlOpener(browser.opener());
    ChangeKonto editor(kEdited);
    chooseAuth(editor, res::kEditorAuth, "custom");
    EXPECT_FALSE(control<QLineEdit>(editor, res::kEditorPassword)->isEnabled());
    control<QPushButton>(editor, res::kEditorOk)->click();
    test::typeEndpoints(editor, mock);
    ASSERT_TRUE(
        test::processEventsUntil([&] { return editor.result() == QDialog::Accepted; }, 60000))
        << "boxes: " << testing::PrintToString(boxes.texts());

    const AccountRecord& a = accounts[0];
    EXPECT_EQ(a.oauthProvider, "custom");
    EXPECT_EQ(a.password, "");
    EXPECT_EQ(a.passwordInKeyring, 0);
    EXPECT_EQ(conf(kConfOAuthProvider), "custom");
    EXPECT_EQ(conf(kConfOAuthTokenUrl), mock.url("/token"));
    EXPECT_EQ(conf(kConfOAuthClientId), test::kMockClientId);
    browser.finish(); // its thread reads the page after the program answered
    EXPECT_EQ(browser.visit.redirectStatus, 200);
    EXPECT_EQ(mock.count("code_exchanges"), 1);
    EXPECT_FALSE(conf(kConfOAuthRefreshToken).value_or("").empty());
    // passwordStore=file was chosen: no warning about a missing keyring.
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();

    // The access token is in memory: the first check needs no refresh.
    const AccessTokenAnswer token =
        oauth::processTokenBroker().accessToken(tokenAccountOf(a), false);
    EXPECT_EQ(token.status, TokenStatus::Ready);
    EXPECT_EQ(mock.count("refreshes"), 0);
}

// The keyring was asked for and none answers: the refresh token goes to
// ombrix.conf, and the user hears of it once, not at every sign-in.
TEST_F(OAuthSignInDialogTest, WithoutAKeyringTheSignInIsKeptInTheConfWithOneNotice) {
    keyringChosen = true;
    setSignInUrlOpener(browser.opener());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ChangeKonto editor(kEdited);
        chooseAuth(editor, res::kEditorAuth, "custom");
        auto* again = control<QCheckBox>(editor, res::kEditorSignInAgain);
        EXPECT_EQ(again->isHidden(), round == 0);
        again->setChecked(round == 1); // else nothing changed: no new sign-in
        control<QPushButton>(editor, res::kEditorOk)->click();
        test::typeEndpoints(editor, mock);
        ASSERT_TRUE(
            test::processEventsUntil([&] { return editor.result() == QDialog::Accepted; }, 60000));
        browser.finish();
    }
    EXPECT_EQ(mock.count("code_exchanges"), 2);
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{
                  "No keyring available: the OAuth sign-in is kept in ombrix.conf."});
    EXPECT_FALSE(conf(kConfOAuthRefreshToken).value_or("").empty());
}

TEST_F(OAuthSignInDialogTest, CancelDuringTheWaitLeavesTheAccountAsItWas) {
    std::string opened;
    setSignInUrlOpener([&opened](const std::string& url) { opened = url; });
    ChangeKonto editor(kEdited);
    editor.show();
    chooseAuth(editor, res::kEditorAuth, "custom");
    control<QPushButton>(editor, res::kEditorOk)->click();
    test::typeEndpoints(editor, mock);

    QPointer<SignInWait> wait = test::shownDialog<SignInWait>(editor);
    ASSERT_TRUE(wait);
    auto* url = control<QLineEdit>(*wait, res::kSignInUrl);
    ASSERT_TRUE(test::processEventsUntil([&] { return !url->text().isEmpty(); }, 60000));
    EXPECT_EQ(url->text().toStdString(), opened) << "the address is shown for copying";
    control<QPushButton>(*wait, res::kSignInCancel)->click();
    ASSERT_TRUE(test::processEventsUntil([&] { return !wait || !wait->isVisible(); }, 60000));

    EXPECT_TRUE(editor.isVisible()) << "the editor stays open";
    EXPECT_EQ(editor.result(), 0);
    const AccountRecord& a = accounts[0];
    EXPECT_EQ(a.oauthProvider, "");
    EXPECT_EQ(a.password, "secret");
    EXPECT_EQ(conf(kConfOAuthProvider), std::nullopt);
    EXPECT_EQ(mock.count("code_exchanges"), 0);
    EXPECT_TRUE(boxes.texts().empty()) << "a cancel needs no message";

    // The editor still works as before: back to the password, OK.
    chooseAuth(editor, res::kEditorAuth, "");
    control<QPushButton>(editor, res::kEditorOk)->click();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(a.password, "secret");
}

TEST_F(OAuthSignInDialogTest, AWrongStateOnTheRedirectIsRefusedAndTheAccountStays) {
    test::TestBrowser forger("forged");
    setSignInUrlOpener(forger.opener());
    ChangeKonto editor(kEdited);
    chooseAuth(editor, res::kEditorAuth, "custom");
    control<QPushButton>(editor, res::kEditorOk)->click();
    test::typeEndpoints(editor, mock);
    ASSERT_TRUE(test::processEventsUntil([&] { return !boxes.texts().empty(); }, 60000));
    forger.finish();

    EXPECT_EQ(boxes.texts().front(),
              "The browser's answer does not belong to this sign-in (wrong state).");
    EXPECT_EQ(forger.visit.redirectStatus, 400);
    EXPECT_EQ(editor.result(), 0);
    EXPECT_EQ(accounts[0].oauthProvider, "");
    EXPECT_EQ(accounts[0].password, "secret");
    EXPECT_EQ(mock.count("code_exchanges"), 0);
}

TEST_F(OAuthSignInDialogTest, APresetWithoutAClientIdSaysWhereToSetItAndAddsNothing) {
    CWizzard wizard;
    answerUpToTheLastStep(wizard, "me@gmail.com", "imap.gmail.com", "me@gmail.com");
    EXPECT_EQ(control<QComboBox>(wizard, res::kWizardAuth)->currentText(), "OAuth (Google)");
    control<QPushButton>(wizard, res::kWizardNext)->click();

    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "No OAuth client id for Google is set: put "
                                "oauthGoogleClientId=... into ombrix.conf.");
    EXPECT_EQ(wizard.answers().step, 5);
    EXPECT_EQ(accountCount, 1u);
    EXPECT_EQ(wizard.result(), 0);
}

TEST_F(OAuthSignInDialogTest, TheWizardAddsACustomAccountAfterTheSignIn) {
    setSignInUrlOpener(browser.opener());
    accountCount = 0;
    CWizzard wizard;
    answerUpToTheLastStep(wizard, "anna@example.org", "imap.example.org", "anna");
    chooseAuth(wizard, res::kWizardAuth, "custom");
    EXPECT_TRUE(control<QLineEdit>(wizard, res::kWizardAnswer)->isHidden());
    EXPECT_EQ(control<QLabel>(wizard, res::kWizardQuestion)->text(),
              "Now sign in with your provider in your browser:");
    control<QPushButton>(wizard, res::kWizardNext)->click();
    test::typeEndpoints(wizard, mock);
    ASSERT_TRUE(
        test::processEventsUntil([&] { return wizard.result() == QDialog::Accepted; }, 60000))
        << "boxes: " << testing::PrintToString(boxes.texts());

    ASSERT_EQ(accountCount, 1u);
    const AccountRecord& a = accounts[0];
    EXPECT_EQ(a.name, "anna@example.org");
    EXPECT_EQ(a.port, "993");
    EXPECT_EQ(a.oauthProvider, "custom");
    EXPECT_EQ(a.password, "");
    EXPECT_EQ(conf(kConfOAuthProvider), "custom");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"OK, account successfully added !"});
}

} // namespace
} // namespace ombrix
