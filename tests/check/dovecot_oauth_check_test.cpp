// OAuth accounts checked against the real test Dovecot, POP3 and IMAP, plain
// and TLS: bearer tokens that Dovecot validates itself (HS256, the secret of
// the test server), refused tokens, one refresh, and the sign-in message.
// User of this program: trent (OAuth only, no password).

#include "check/dovecot_check.h"
#include "support/bearer_jwt.h"
#include "support/process_reset.h"
#include "support/test_token_source.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

const std::string kOAuthUser = "trent";

class DovecotOAuthCheck : public DovecotTest, public testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }

    AccountRecord& account() {
        AccountRecord& a = configureAccount(0, server(), kOAuthUser, "", GetParam());
        a.oauthProvider = "custom";
        return a;
    }

    std::string validToken() const {
        return mintJwt(server().oauthSecret, validClaims(kOAuthUser));
    }
    std::string expiredToken() const {
        return mintJwt(server().oauthSecret, expiredClaims(kOAuthUser));
    }
    std::string forgedToken() const {
        return mintJwt("not the server's secret", validClaims(kOAuthUser));
    }
};

// No line the program sent, as its protocol log holds it, carries the token.
void expectTokenNowhere(const RunOutcome& outcome, const std::string& token) {
    for (const std::string& line : outcome.commands)
        EXPECT_EQ(line.find(token), std::string::npos) << line;
    // The header and claims alone would give the token away too.
    const std::string claims = token.substr(0, token.rfind('.'));
    for (const std::string& line : outcome.commands)
        EXPECT_EQ(line.find(claims), std::string::npos) << line;
}

TEST_P(DovecotOAuthCheck, ValidTokenListsEveryMail) {
    fillMailbox(server(), kOAuthUser, 5, "oauth-list");
    const std::string token = validToken();
    TestTokenSource tokens({readyToken(token)});
    AccountRecord& a = account();

    const RunOutcome outcome = runCheck(server().caFile);

    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(outcome.newMails, 5);
    EXPECT_EQ(outcome.receiveTimeouts, 0u);
    expectListMatchesServer(a, GetParam(), server(), kOAuthUser);
    ASSERT_EQ(tokens.requests().size(), 1u);
    EXPECT_FALSE(tokens.requests()[0].refresh);
    expectTokenNowhere(outcome, token);
}

TEST_P(DovecotOAuthCheck, ExpiredOrForgedTokenIsRefreshedOnceAndTheCheckSucceeds) {
    fillMailbox(server(), kOAuthUser, 2, "oauth-refresh");
    for (const std::string& refused : {expiredToken(), forgedToken()}) {
        resetProcessState();
        TestTokenSource tokens({readyToken(refused), readyToken(validToken())});
        AccountRecord& a = account();

        const RunOutcome outcome = runCheck(server().caFile);

        ASSERT_EQ(a.errorFlag, 0) << a.errorText;
        EXPECT_EQ(tokens.refreshes(), 1);
        EXPECT_EQ(tokens.requests().size(), 2u);
        expectListMatchesServer(a, GetParam(), server(), kOAuthUser);
        expectTokenNowhere(outcome, refused);
    }
}

TEST_P(DovecotOAuthCheck, TokensRefusedTwiceAskToSignInAgainAndChangeNothingElse) {
    fillMailbox(server(), kOAuthUser, 3, "oauth-expired");
    AccountRecord& a = account();
    {
        TestTokenSource tokens({readyToken(validToken())});
        runCheck(server().caFile);
    }
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    a.mails[1].read = 1;
    const std::vector<MailEntry> before = inServerOrder(a);
    const std::string uidNext = a.uidNext;

    TestTokenSource tokens({readyToken(expiredToken())});
    const RunOutcome outcome = runCheck(server().caFile);

    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(tokens.refreshes(), 1);
    EXPECT_EQ(outcome.newMails, 0);
    EXPECT_EQ(inServerOrder(a), before);
    EXPECT_EQ(a.mails[1].read, 1);
    EXPECT_EQ(a.uidNext, uidNext);
}

TEST_P(DovecotOAuthCheck, SignInExpiredAtTheSourceMeetsNoServer) {
    TestTokenSource tokens({tokenAnswer(TokenStatus::SignInExpired, "")});
    AccountRecord& a = account();

    const RunOutcome outcome = runCheck(server().caFile);

    EXPECT_EQ(a.errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(tokens.requests().size(), 1u);
    EXPECT_TRUE(outcome.commands.empty());
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotOAuthCheck,
                         testing::Values(kPop3Plain, kPop3Tls, kImapPlain, kImapTls),
                         [](const auto& endpoint) { return std::string(endpoint.param.name); });

} // namespace
} // namespace ombrix::test
