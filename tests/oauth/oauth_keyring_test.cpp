// Refresh tokens in a real gnome-keyring-daemon: an item of their own beside
// the account's password item, rotated tokens stored back, and no copy left
// in ombrix.conf once the keyring holds one. Runs under dbus-run-session (see
// ombrix_keyring_test).

#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "core/password_keyring.h"
#include "oauth/providers.h"
#include "oauth/refresh_tokens.h"
#include "oauth/token_broker.h"
#include "oauth/url_text.h"
#include "support/keyring_daemon.h"
#include "support/oauth_mock.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix::oauth {
namespace {

const TokenAccount kAccount{kCustom, "imap.example.org", "alice", "imap", 993};
const SecretKey kPasswordKey{"imap.example.org", "alice", "imap", 993};

test::KeyringDaemon& sharedDaemon() {
    static test::KeyringDaemon daemon;
    return daemon;
}

class OAuthKeyringTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedDaemon().running())
            << "gnome-keyring-daemon: " << sharedDaemon().failure().toStdString();
        test::resetProcessState();
        resetRefreshTokenNotice();
        programDirectory = dir.path().string();
        keyringChosen = true;
        updateProgramConf([this](ProgramConf& conf) {
            setOAuthSignIn(conf, kPasswordKey,
                           {kCustom,
                            {mock.url("/authorize"), mock.url("/token"), "", test::kMockClientId,
                             "", "mail"}});
        });
    }
    void TearDown() override {
        clearSecret(refreshTokenKey(kAccount));
        clearSecret(kPasswordKey);
    }

    // A first sign-in, straight at the token endpoint: the browser's part is
    // another test's.
    TokenGrant grantFromMock() {
        const HttpOutcome page =
            getUrl(mock.url("/authorize?response_type=code&client_id=") + test::kMockClientId +
                       "&redirect_uri=http%3A%2F%2F127.0.0.1%3A9%2F&code_challenge_method=S256"
                       "&code_challenge=47DEQpj8HBSa-_TImW-5JCeuQeRkm5NMpJWZG3hSuFU",
                   {});
        const std::string code = queryFields(page.response.location).at("code");
        const ProviderSettings provider =
            *providerSettings(*oauthSignInOf(readProgramConf(), kPasswordKey), "imap",
                              readProgramConf())
                 .settings;
        // The verifier whose S256 challenge is the one above (RFC 7636's empty-string digest).
        return exchangeCode(provider, code, "", "http://127.0.0.1:9/", {}).grant;
    }

    std::optional<std::string> inConf() const {
        return loadProgramConf(programConfPath(programDirectory))
            .value(oauthConfKey(kConfOAuthRefreshToken, kPasswordKey));
    }

    test::TempDir dir;
    test::OAuthMock mock;
    TokenBroker broker;
};

TEST_F(OAuthKeyringTest, TheRefreshTokenGetsAnItemOfItsOwnAndNoCopyInOmbrixConf) {
    ASSERT_EQ(storeSecret(kPasswordKey, "password", "pw"), SecretOutcome::Done);
    // Left from a time without a keyring.
    updateProgramConf([](ProgramConf& conf) {
        conf.set(oauthConfKey(kConfOAuthRefreshToken, kPasswordKey), "stale");
    });
    const TokenGrant grant = grantFromMock();
    ASSERT_FALSE(grant.refreshToken.empty());
    ASSERT_TRUE(broker.signedIn(kAccount, "Ombrix OAuth: alice", grant));

    EXPECT_EQ(lookupSecret(refreshTokenKey(kAccount)).password, grant.refreshToken);
    EXPECT_EQ(lookupSecret(kPasswordKey).password, "pw");
    EXPECT_FALSE(inConf());
    EXPECT_EQ(takeRefreshTokenNotice(), "");
    EXPECT_EQ(loadRefreshToken(kAccount).token, grant.refreshToken);
}

TEST_F(OAuthKeyringTest, ARotatedRefreshTokenReplacesTheOldOneInTheKeyring) {
    const TokenGrant grant = grantFromMock();
    ASSERT_TRUE(broker.signedIn(kAccount, {}, grant));
    const AccessTokenAnswer renewed = broker.accessToken(kAccount, true);
    ASSERT_EQ(renewed.status, TokenStatus::Ready) << renewed.errorText;
    const std::string rotated = *mock.state().text("last_refresh_token");
    EXPECT_NE(rotated, grant.refreshToken);
    EXPECT_EQ(lookupSecret(refreshTokenKey(kAccount)).password, rotated);
    EXPECT_FALSE(inConf());

    // A new process has only the keyring: it refreshes with the rotated token.
    TokenBroker nextStart;
    EXPECT_EQ(nextStart.accessToken(kAccount, false).status, TokenStatus::Ready);

    broker.forget(kAccount);
    EXPECT_EQ(lookupSecret(refreshTokenKey(kAccount)).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(nextStart.accessToken(kAccount, true).status, TokenStatus::SignInExpired);
}

} // namespace
} // namespace ombrix::oauth
