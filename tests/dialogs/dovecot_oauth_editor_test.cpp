// An account of the test Dovecot switched to OAuth in the account editor: the
// mock provider signs its tokens with the server's secret, the test browser
// delivers the redirect, and the check that follows logs in with the access
// token the sign-in brought. User of this program: yvonne (OAuth only).

#include "check/dovecot_check.h"
#include "config/program_directory.h"
#include "core/access_tokens.h"
#include "dialogs/change_konto.h"
#include "dialogs/sign_in_task.h"
#include "oauth/token_broker.h"
#include "sign_in_steps.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"

#include <QComboBox>
#include <cstdlib>

namespace ombrix::test {
namespace {

const std::string kUser = "yvonne";

class DovecotOAuthEditor : public DovecotTest, public testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
        programDirectory = dir.path().string();
        setAccessTokenSource(oauth::makeOAuthTokenSource());
    }
    void TearDown() override {
        setAccessTokenSource({});
        setSignInUrlOpener({});
        resetProcessState();
    }

    TempDir dir;
    ScriptedMessagePresenter boxes;
};

TEST_P(DovecotOAuthEditor, AnAccountSignedInFromTheEditorIsChecked) {
    fillMailbox(server(), kUser, 3, "editor-oauth");
    OAuthMock provider({"--secret-file", server().dir + "/oauth-secret"});
    TestBrowser browser;
    setSignInUrlOpener(browser.opener());
    configureAccount(0, server(), kUser, "", GetParam());

    ChangeKonto editor(0);
    auto* auth = control<QComboBox>(editor, res::kEditorAuth);
    auth->setCurrentIndex(auth->findData(QStringLiteral("custom")));
    control<QPushButton>(editor, res::kEditorOk)->click();
    typeEndpoints(editor, provider);
    ASSERT_TRUE(processEventsUntil([&] { return editor.result() == QDialog::Accepted; }, 60000))
        << testing::PrintToString(boxes.texts());
    ASSERT_EQ(accounts[0].oauthProvider, "custom");
    ASSERT_EQ(accounts[0].password, "");

    const RunOutcome outcome = runCheck(server().caFile);

    ASSERT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
    EXPECT_EQ(outcome.newMails, 3);
    expectListMatchesServer(accounts[0], GetParam(), server(), kUser);
    EXPECT_EQ(provider.count("refreshes"), 0) << "the sign-in's access token served";
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotOAuthEditor, testing::Values(kPop3Plain, kImapTls),
                         [](const auto& endpoint) { return std::string(endpoint.param.name); });

} // namespace
} // namespace ombrix::test
