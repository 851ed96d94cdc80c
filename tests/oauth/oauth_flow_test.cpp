// Sign-in and tokens against the mock provider (support/oauth_mock_server.py)
// with a test browser: the browser flow with its state and PKCE checks, the
// device code, and the token source's refresh, rotation and revocation. No
// keyring here (no session bus): refresh tokens land in ombrix.conf.

#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "oauth/oauth_texts.h"
#include "oauth/pkce.h"
#include "oauth/refresh_tokens.h"
#include "oauth/sign_in.h"
#include "oauth/token_broker.h"
#include "oauth/url_text.h"
#include "support/loopback_server.h"
#include "support/oauth_mock.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace ombrix::oauth {
namespace {

using test::OAuthMock;
using test::TestBrowser;

const TokenAccount kAccount{kCustom, "imap.example.org", "alice", "imap", 993};

CustomProvider endpointsOf(const OAuthMock& mock) {
    return {mock.url("/authorize"),
            mock.url("/token"),
            mock.url("/devicecode"),
            test::kMockClientId,
            "",
            "mail offline_access"};
}

ProviderSettings settingsOf(const OAuthMock& mock) {
    return *providerSettings({kCustom, endpointsOf(mock)}, "imap", ProgramConf()).settings;
}

// Polls a condition for up to 20 s: a bound for failures only.
template <class Condition> bool eventually(Condition condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class OAuthFlowTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        resetRefreshTokenNotice();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
        programDirectory = dir.path().string();
        updateProgramConf([this](ProgramConf& conf) {
            setOAuthSignIn(conf, {kAccount.host, kAccount.user, kAccount.protocol, kAccount.port},
                           {kCustom, endpointsOf(mock)});
        });
    }

    SignInResult signIn(TestBrowser& browser) {
        BrowserSignIn how;
        how.openUrl = browser.opener();
        how.loginHint = "alice";
        how.timeoutMs = 60000; // a failure guard only
        SignInResult result = signInWithBrowser(settingsOf(mock), how);
        browser.finish();
        return result;
    }

    std::optional<std::string> refreshTokenInConf() const {
        return loadProgramConf(programConfPath(programDirectory))
            .value(oauthConfKey(kConfOAuthRefreshToken,
                                {kAccount.host, kAccount.user, kAccount.protocol, kAccount.port}));
    }

    // Wall-clock seconds since the epoch.
    std::int64_t now = 1'700'000'000;
    TokenBroker broker{
        [this] { return std::chrono::system_clock::time_point(std::chrono::seconds(now)); }};
    test::TempDir dir;
    OAuthMock mock;
};

TEST_F(OAuthFlowTest, BrowserSignInGivesTokensAndTheBrokerServesThemFromMemory) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    EXPECT_EQ(browser.visit.authorizationStatus, 302);
    EXPECT_EQ(browser.visit.redirectStatus, 200);
    EXPECT_NE(browser.visit.redirectBody.find(oauth_texts::browserPage()), std::string::npos);
    const auto query = queryFields(browser.openedUrl);
    EXPECT_EQ(query.at("code_challenge_method"), "S256");
    EXPECT_EQ(query.at("login_hint"), "alice");
    EXPECT_EQ(query.at("redirect_uri").rfind("http://127.0.0.1:", 0), 0u);
    EXPECT_EQ(mock.count("code_exchanges"), 1);
    EXPECT_FALSE(result.grant.refreshToken.empty());

    ASSERT_TRUE(broker.signedIn(kAccount, "test", result.grant));
    EXPECT_EQ(refreshTokenInConf(), result.grant.refreshToken);
    // passwordStore=file was chosen: no warning about a missing keyring.
    EXPECT_EQ(takeRefreshTokenNotice(), "");
    const AccessTokenAnswer answer = broker.accessToken(kAccount, false);
    EXPECT_EQ(answer.status, TokenStatus::Ready);
    EXPECT_EQ(answer.token, result.grant.accessToken);
    EXPECT_EQ(mock.count("refreshes"), 0);
}

TEST_F(OAuthFlowTest, AForgedStateIsRefusedAndNoCodeIsExchanged) {
    TestBrowser browser("forged");
    const SignInResult result = signIn(browser);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, oauth_texts::wrongState());
    EXPECT_EQ(browser.visit.redirectStatus, 400);
    EXPECT_EQ(mock.count("code_exchanges"), 0);
}

TEST_F(OAuthFlowTest, AProviderThatSaysNoEndsTheSignInWithItsReason) {
    ASSERT_TRUE(mock.control("deny=1"));
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.refused);
    EXPECT_NE(result.failure.find("access_denied"), std::string::npos) << result.failure;
}

TEST_F(OAuthFlowTest, TheCodeIsWorthNothingWithoutItsVerifier) {
    const PkcePair pkce = makePkcePair();
    const std::string redirectUri = "http://127.0.0.1:9/";
    const auto code = [&] {
        const HttpOutcome page = getUrl(
            authorizationUrl(settingsOf(mock), redirectUri, "s", pkce.challenge, "alice"), {});
        return queryFields(page.response.location).at("code");
    };
    const TokenReply wrong =
        exchangeCode(settingsOf(mock), code(), makePkcePair().verifier, redirectUri, {});
    EXPECT_EQ(wrong.outcome, TokenOutcome::InvalidGrant);
    const TokenReply right = exchangeCode(settingsOf(mock), code(), pkce.verifier, redirectUri, {});
    EXPECT_EQ(right.outcome, TokenOutcome::Granted) << right.reason;
}

TEST_F(OAuthFlowTest, ATokenNearItsExpiryIsRefreshedAndTheRotatedRefreshTokenKept) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    ASSERT_TRUE(broker.signedIn(kAccount, "test", result.grant));

    now += 3600 - kRenewAheadSeconds - 1; // still just fresh
    EXPECT_EQ(broker.accessToken(kAccount, false).token, result.grant.accessToken);
    now += 1;
    const AccessTokenAnswer renewed = broker.accessToken(kAccount, false);
    ASSERT_EQ(renewed.status, TokenStatus::Ready) << renewed.errorText;
    EXPECT_NE(renewed.token, result.grant.accessToken);
    EXPECT_EQ(mock.count("refreshes"), 1);
    // Microsoft's v2 endpoint refuses a refresh that names no scope.
    EXPECT_EQ(mock.state().text("last_refresh_scope"), "mail offline_access");
    const std::string rotated = *mock.state().text("last_refresh_token");
    EXPECT_NE(rotated, result.grant.refreshToken);
    EXPECT_EQ(refreshTokenInConf(), rotated);

    // The old refresh token is gone at the provider: a second refresh works
    // only with the rotated one.
    const AccessTokenAnswer again = broker.accessToken(kAccount, true);
    EXPECT_EQ(again.status, TokenStatus::Ready) << again.errorText;
    EXPECT_EQ(mock.count("refreshes"), 2);
}

// A night in suspend: the wall clock moves on by hours while a steady clock
// stands still, and the token of the evening is past its end.
TEST_F(OAuthFlowTest, AfterASleepTheTokenIsRefreshedBeforeItIsSent) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    ASSERT_TRUE(broker.signedIn(kAccount, "test", result.grant));

    now += 8 * 3600;
    const AccessTokenAnswer morning = broker.accessToken(kAccount, false);
    ASSERT_EQ(morning.status, TokenStatus::Ready) << morning.errorText;
    EXPECT_NE(morning.token, result.grant.accessToken);
    EXPECT_EQ(mock.count("refreshes"), 1);
}

TEST_F(OAuthFlowTest, ARevokedRefreshTokenMeansSignInAgainAndChangesNothingElse) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    ASSERT_TRUE(broker.signedIn(kAccount, "test", result.grant));
    const std::string confBefore = test::readBytes(dir / "ombrix.conf");
    ASSERT_TRUE(mock.control("revoke=all"));

    const AccessTokenAnswer answer = broker.accessToken(kAccount, true);
    EXPECT_EQ(answer.status, TokenStatus::SignInExpired);
    EXPECT_EQ(answer.errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(test::readBytes(dir / "ombrix.conf"), confBefore);
}

TEST_F(OAuthFlowTest, WithoutAStoredRefreshTokenTheAccountMustSignIn) {
    EXPECT_EQ(broker.accessToken(kAccount, false).status, TokenStatus::SignInExpired);
    EXPECT_EQ(mock.count("refreshes"), 0);
}

TEST_F(OAuthFlowTest, ALifetimeBeyondAnyClockKeepsTheTokenInsteadOfOverflowing) {
    // The endpoint's "expires_in" is the provider's word, as large as it likes.
    const TokenReply reply = readTokenReply(
        {true, {200, {}, R"({"access_token":"at-long","expires_in":9223372036854775807})"}, {}});
    ASSERT_EQ(reply.outcome, TokenOutcome::Granted);
    ASSERT_TRUE(broker.signedIn(kAccount, "test", reply.grant));
    const AccessTokenAnswer answer = broker.accessToken(kAccount, false);
    EXPECT_EQ(answer.status, TokenStatus::Ready) << answer.errorText;
    EXPECT_EQ(answer.token, "at-long");
    // Served from memory again a year on: still no refresh asked for.
    now += 365LL * 24 * 3600;
    EXPECT_EQ(broker.accessToken(kAccount, false).token, "at-long");
    EXPECT_EQ(mock.count("refreshes"), 0);
}

TEST_F(OAuthFlowTest, AnUnreachableTokenEndpointFailsWithItsReason) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    ASSERT_TRUE(broker.signedIn(kAccount, "test", result.grant));
    CustomProvider gone = endpointsOf(mock);
    gone.tokenUrl = "http://127.0.0.1:1/token"; // nothing listens on port 1
    updateProgramConf([&gone](ProgramConf& conf) {
        setOAuthSignIn(conf, {kAccount.host, kAccount.user, kAccount.protocol, kAccount.port},
                       {kCustom, gone});
    });
    const AccessTokenAnswer answer = broker.accessToken(kAccount, true);
    EXPECT_EQ(answer.status, TokenStatus::Failed);
    EXPECT_NE(answer.errorText.find("sign-in service not reachable ("), std::string::npos)
        << answer.errorText;
    EXPECT_EQ(refreshTokenInConf(), result.grant.refreshToken);
}

TEST_F(OAuthFlowTest, PlainHttpGoesToThisMachineOnly) {
    CustomProvider remote = endpointsOf(mock);
    remote.tokenUrl = "http://oauth.example.org/token";
    const TokenReply reply = refreshAccess(
        *providerSettings({kCustom, remote}, "imap", ProgramConf()).settings, "rt", {});
    EXPECT_EQ(reply.outcome, TokenOutcome::Failed);
    EXPECT_NE(reply.reason.find("use https"), std::string::npos) << reply.reason;
}

// A token endpoint that takes the request and never answers: Abort (or
// Ctrl-C) ends the refresh instead of the HTTP time-out, and a watcher
// waiting for that refresh ends with its own stop flag.
TEST_F(OAuthFlowTest, AStopEndsARefreshAndTheWaitForAnotherThreadsRefresh) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    // A time-out beyond the test's own: only a stop ends this refresh.
    TokenBroker patient({}, {60 * 60 * 1000, nullptr});
    ASSERT_TRUE(patient.signedIn(kAccount, "test", result.grant));
    ASSERT_TRUE(mock.control("silent_tokens=1"));

    AccessTokenAnswer run;
    std::thread runThread([&] { run = patient.accessToken(kAccount, true, &abortRequest); });
    const bool asked = eventually([this] { return mock.count("unanswered") == 1; });
    SharedFlag watcherStop{1};
    const AccessTokenAnswer watcher =
        asked ? patient.accessToken(kAccount, true, &watcherStop) : AccessTokenAnswer{};
    abortRequest = 1;
    runThread.join();
    abortRequest = 0;

    ASSERT_TRUE(asked);
    EXPECT_EQ(watcher.status, TokenStatus::Aborted) << watcher.errorText;
    EXPECT_EQ(run.status, TokenStatus::Aborted) << run.errorText;
    EXPECT_EQ(run.errorText, oauth_texts::signInAborted());
    EXPECT_EQ(mock.count("unanswered"), 1);
}

TEST_F(OAuthFlowTest, RunsAskingAtOnceAllGetATokenThatTheRotationDidNotInvalidate) {
    TestBrowser browser;
    const SignInResult result = signIn(browser);
    ASSERT_TRUE(result.ok) << result.failure;
    ASSERT_TRUE(broker.signedIn(kAccount, "test", result.grant));
    std::vector<AccessTokenAnswer> answers(6);
    std::vector<std::thread> runs;
    for (AccessTokenAnswer& answer : answers)
        runs.emplace_back([&] { answer = broker.accessToken(kAccount, true); });
    for (std::thread& run : runs)
        run.join();
    for (const AccessTokenAnswer& answer : answers)
        EXPECT_EQ(answer.status, TokenStatus::Ready) << answer.errorText;
    EXPECT_EQ(refreshTokenInConf(), *mock.state().text("last_refresh_token"));
    EXPECT_EQ(broker.accessToken(kAccount, true).status, TokenStatus::Ready);
}

TEST_F(OAuthFlowTest, WithoutAKeyringTheRefreshTokenGoesToOmbrixConfWithOneWarning) {
    keyringChosen = true; // but no session bus answers
    TokenGrant grant{"at", "rt-1", 3600};
    ASSERT_TRUE(broker.signedIn(kAccount, "test", grant));
    EXPECT_EQ(refreshTokenInConf(), "rt-1");
    EXPECT_EQ(takeRefreshTokenNotice(), oauth_texts::refreshTokenInConf());
    EXPECT_EQ(takeRefreshTokenNotice(), "");
    EXPECT_EQ(loadRefreshToken(kAccount).token, "rt-1");
    broker.forget(kAccount);
    EXPECT_FALSE(refreshTokenInConf());
}

// The token endpoint over https: the server certificate must verify.
TEST(OAuthTlsTest, TheTokenEndpointIsReachedOverTlsOnlyWithACertificateThatVerifies) {
    test::TempDir pki;
    const test::TestCertificates certificates = test::makeTestCertificates(pki.path());
    test::TempDir otherPki;
    const test::TestCertificates other = test::makeTestCertificates(otherPki.path());
    OAuthMock tlsMock(
        {"--tls-cert", certificates.certFile.string(), "--tls-key", certificates.keyFile.string()});
    ProviderSettings provider = settingsOf(tlsMock);
    provider.tokenUrl = "https://localhost:" + std::to_string(tlsMock.port()) + "/token";

    ::setenv("SSL_CERT_FILE", certificates.caFile.c_str(), 1);
    const TokenReply trusted = refreshAccess(provider, "rt-unknown", {});
    EXPECT_EQ(trusted.outcome, TokenOutcome::InvalidGrant) << trusted.reason;

    ::setenv("SSL_CERT_FILE", other.caFile.c_str(), 1);
    const TokenReply untrusted = refreshAccess(provider, "rt-unknown", {});
    ::unsetenv("SSL_CERT_FILE");
    EXPECT_EQ(untrusted.outcome, TokenOutcome::Failed);
    EXPECT_NE(untrusted.reason.find("certificate"), std::string::npos) << untrusted.reason;
}

class DeviceFlowTest : public OAuthFlowTest {
protected:
    SignInResult signInWithCode(const std::function<void(int)>& onWait) {
        DeviceSignIn how;
        how.showCode = [this](const std::string& uri, const std::string& code) {
            shownUri = uri;
            userCode = code;
        };
        how.wait = [this, onWait](std::int64_t seconds) {
            waits.push_back(seconds);
            onWait(static_cast<int>(waits.size()));
            return true;
        };
        return signInWithDeviceCode(settingsOf(mock), how);
    }

    bool approve() const {
        const HttpOutcome page = getUrl(mock.url("/device?user_code=" + userCode), {});
        return page.response.status == 200;
    }

    std::string shownUri;
    std::string userCode;
    std::vector<std::int64_t> waits;
};

TEST_F(DeviceFlowTest, PollsUntilTheUserEnteredTheCodeAndSlowsDownWhenAsked) {
    ASSERT_TRUE(mock.control("slow_down=1"));
    const SignInResult result = signInWithCode([this](int wait) {
        if (wait == 3) {
            EXPECT_TRUE(approve());
        }
    });
    ASSERT_TRUE(result.ok) << result.failure;
    EXPECT_EQ(shownUri, mock.url("/device"));
    EXPECT_FALSE(result.grant.refreshToken.empty());
    // The provider says 0, which is taken for five seconds; slow_down adds
    // five to every later wait.
    EXPECT_EQ(waits, (std::vector<std::int64_t>{5, 10, 10}));
    EXPECT_EQ(mock.count("device_polls"), 3);
}

TEST_F(DeviceFlowTest, APollThatMeetsNoAnswerIsRepeatedAfterTheInterval) {
    ASSERT_TRUE(mock.control("drop_polls=2"));
    const SignInResult result = signInWithCode([this](int wait) {
        if (wait == 1) {
            EXPECT_TRUE(approve());
        }
    });
    ASSERT_TRUE(result.ok) << result.failure;
    EXPECT_EQ(mock.count("device_polls"), 3);
    EXPECT_EQ(waits, (std::vector<std::int64_t>{5, 5, 5}));
}

TEST_F(DeviceFlowTest, AnEndpointThatStaysSilentEndsTheSignInAfterAFewPolls) {
    ASSERT_TRUE(mock.control("drop_polls=100"));
    const SignInResult result = signInWithCode([this](int wait) {
        if (wait == 1) {
            EXPECT_TRUE(approve());
        }
    });
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.refused);
    EXPECT_NE(result.failure.find("sign-in service not reachable ("), std::string::npos)
        << result.failure;
    EXPECT_EQ(mock.count("device_polls"), 4);
}

TEST_F(DeviceFlowTest, ACodeThatExpiresEndsTheSignIn) {
    const SignInResult result = signInWithCode([this](int wait) {
        if (wait == 2) {
            EXPECT_TRUE(mock.control("expire_devices=1"));
        }
    });
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, oauth_texts::deviceCodeExpired());
    EXPECT_EQ(waits.size(), 2u);
}

TEST_F(DeviceFlowTest, AProviderWithoutADeviceEndpointSaysSo) {
    ProviderSettings google = settingsOf(mock);
    google.deviceUrl.clear();
    google.displayName = "Google";
    DeviceSignIn how;
    how.showCode = [](const std::string&, const std::string&) { FAIL(); };
    how.wait = [](std::int64_t) { return true; };
    const SignInResult result = signInWithDeviceCode(google, how);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, oauth_texts::noDeviceFlow("Google"));
}

} // namespace
} // namespace ombrix::oauth
