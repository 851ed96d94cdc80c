// The deletion run of an OAuth account against the test Dovecot, POP3 and
// IMAP, plain and TLS: it signs in with a bearer token as the check does, a
// refused token included. What the server holds afterwards is read with an
// independent client (scripts/mailbox-tool). User: victor (OAuth only).

#include "check/check_run.h"
#include "check/mail_sort.h"
#include "check/recording_run_host.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "delete/delete_handover.h"
#include "delete/delete_run.h"
#include "support/bearer_jwt.h"
#include "support/dovecot.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/test_token_source.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

namespace ombrix::test {
namespace {

// The server's order: row k is the (k+1)-th mail on the server.
constexpr std::uint8_t kServerOrder = 0;

const std::string kUser = "victor";

struct OAuthEndpoint {
    bool imap;
    bool tls;
    const char* name;
};

class DovecotOAuthDeleteTest : public DovecotTest,
                               public ::testing::WithParamInterface<OAuthEndpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (IsSkipped())
            return;
        resetProcessState();
        setenv("SSL_CERT_FILE", server().caFile.c_str(), 1);
        windowHidden = 1;
        const OAuthEndpoint& e = GetParam();
        AccountRecord& a = accounts[0];
        a.name = "oauth";
        a.host = server().host;
        a.user = kUser;
        a.oauthProvider = "google";
        a.protocol = e.imap ? 1 : 0;
        a.useSsl = e.tls ? 1 : 0;
        const int port = e.imap ? (e.tls ? server().imapsPort : server().imapPort)
                                : (e.tls ? server().pop3sPort : server().pop3Port);
        a.port = std::to_string(port);
        accountCount = 1;
    }

    void TearDown() override { unsetenv("SSL_CERT_FILE"); }

    std::string token(const JwtClaims& claims) const {
        return mintJwt(server().oauthSecret, claims);
    }

    std::vector<std::string> messageIdsOnServer() const {
        std::vector<std::string> ids;
        for (const ServerMail& mail : listMailbox(server(), kUser).mails)
            ids.push_back(mail.messageId);
        return ids;
    }

    ScriptedMessagePresenter boxes_;
};

TEST_P(DovecotOAuthDeleteTest, DeletesTheSelectedRowsAfterARefreshedToken) {
    fillMailbox(server(), kUser, 6, "oauth-delete");
    {
        TestTokenSource tokens({readyToken(token(validClaims(kUser)))});
        RecordingRunHost host;
        std::thread([&host] { CheckThread(host, {}, kServerOrder); }).join();
    }
    ASSERT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
    ASSERT_EQ(accounts[0].mailCount, 6);
    const std::vector<std::string> before = messageIdsOnServer();
    ASSERT_EQ(before.size(), 6u);

    TestTokenSource tokens(
        {readyToken(token(expiredClaims(kUser))), readyToken(token(validClaims(kUser)))});
    const std::vector<int> rows{1, 4};
    const auto request = buildDeletionList(0, accounts[0], rows);
    ASSERT_TRUE(request);
    RecordingRunHost host;
    DeleteOutcome outcome = DeleteOutcome::NotStarted;
    std::thread([&] { outcome = runDeletion(host, *request).outcome; }).join();

    EXPECT_EQ(outcome, DeleteOutcome::Done);
    EXPECT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
    EXPECT_EQ(tokens.refreshes(), 1);
    std::vector<std::string> expected = before;
    expected.erase(expected.begin() + 4);
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(messageIdsOnServer(), expected);
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_P(DovecotOAuthDeleteTest, SignInExpiredDeletesNothingAndSaysSo) {
    fillMailbox(server(), kUser, 3, "oauth-delete-expired");
    {
        TestTokenSource tokens({readyToken(token(validClaims(kUser)))});
        RecordingRunHost host;
        std::thread([&host] { CheckThread(host, {}, kServerOrder); }).join();
    }
    ASSERT_EQ(accounts[0].mailCount, 3);
    const std::vector<std::string> before = messageIdsOnServer();

    TestTokenSource tokens({tokenAnswer(TokenStatus::SignInExpired, "")});
    const std::vector<int> rows{0};
    const auto request = buildDeletionList(0, accounts[0], rows);
    ASSERT_TRUE(request);
    RecordingRunHost host;
    std::thread([&] { runDeletion(host, *request); }).join();

    EXPECT_EQ(accounts[0].errorFlag, 1);
    EXPECT_EQ(accounts[0].errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(tokens.requests().size(), 1u);
    EXPECT_EQ(messageIdsOnServer(), before);
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotOAuthDeleteTest,
                         ::testing::Values(OAuthEndpoint{false, false, "POP3"},
                                           OAuthEndpoint{false, true, "POP3S"},
                                           OAuthEndpoint{true, false, "IMAP"},
                                           OAuthEndpoint{true, true, "IMAPS"}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace ombrix::test
