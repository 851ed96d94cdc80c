// An IDLE watcher of an OAuth account against the test Dovecot: it signs in
// with a bearer token (a refused one refreshed first) and reports mail that
// arrives while it idles. User: walter (OAuth only).

#include "core/account_table.h"
#include "idle/idle_watcher.h"
#include "proto/imap_login.h"
#include "recording_watch_host.h"
#include "support/bearer_jwt.h"
#include "support/dovecot.h"
#include "support/process_reset.h"
#include "support/test_token_source.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace ombrix::test {
namespace {

const std::string kUser = "walter";

// Failure guard only: the wait ends as soon as the watcher idles.
bool waitUntilIdling(const IdleWatcher& watcher) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!watcher.idling() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return watcher.idling();
}

class DovecotOAuthIdleTest : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (IsSkipped())
            return;
        resetProcessState();
        fillMailbox(server(), kUser, 1, "oauth-idle");
    }

    ImapServer imapServer() const {
        const auto account = std::make_unique<AccountRecord>(); // too large for the stack
        clearAccount(*account);
        account->host = server().host;
        account->port = std::to_string(server().imapPort);
        account->user = kUser;
        account->protocol = 1;
        account->oauthProvider = "microsoft";
        return imapServerOf(*account);
    }

    std::string token(const JwtClaims& claims) const {
        return mintJwt(server().oauthSecret, claims);
    }
};

TEST_F(DovecotOAuthIdleTest, WatcherSignsInWithARefreshedTokenAndReportsNewMail) {
    TestTokenSource tokens(
        {readyToken(token(expiredClaims(kUser))), readyToken(token(validClaims(kUser)))});
    RecordingWatchHost host;
    WatchTimings timings;
    timings.pollMs = 20;
    IdleWatcher watcher(imapServer(), host, timings);
    ASSERT_TRUE(waitUntilIdling(watcher));
    EXPECT_EQ(watcher.connections(), 1);
    EXPECT_EQ(tokens.refreshes(), 1);

    addMail(server(), kUser, "oauth-idle-new");

    EXPECT_TRUE(host.waitForChanges(1));
    watcher.join();
    EXPECT_EQ(host.unsupported(), 0);
}

// A token refused even after a refresh is a refused login: the watcher ends
// instead of asking the server again after its back-off.
TEST_F(DovecotOAuthIdleTest, ATokenRefusedAfterItsRefreshEndsTheWatcher) {
    TestTokenSource tokens({readyToken(token(expiredClaims(kUser)))});
    RecordingWatchHost host;
    WatchTimings timings;
    timings.pollMs = 20;
    timings.firstRetryMs = timings.lastRetryMs = 20;
    IdleWatcher watcher(imapServer(), host, timings);
    ASSERT_TRUE(host.waitForRefusal());
    watcher.join();
    EXPECT_TRUE(watcher.refused());
    EXPECT_EQ(watcher.connections(), 1);
    EXPECT_EQ(tokens.refreshes(), 1) << "one fresh token, then no more";
    EXPECT_EQ(tokens.requests().size(), 2u);
}

} // namespace
} // namespace ombrix::test
