// The whole command line with OAuth against the test Dovecot: accounts added
// with --add-account --oauth custom (the mock provider signs its tokens with
// the server's HS256 secret, the test browser delivers the redirect), then
// --check over IMAP, IMAPS and POP3, each process refreshing with the stored
// refresh token, until the provider revokes it. User: trent (OAuth only).

#include "cli/run_program.h"
#include "support/dovecot.h"
#include "support/oauth_mock.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

const std::string kUser = "trent";

class CliOAuthDovecotTest : public test::DovecotTest {
protected:
    test::ProgramResult run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return test::runOmbrix(arguments, "",
                               {"BROWSER=" OMBRIX_TEST_SUPPORT_DIR "/oauth_test_browser.py",
                                "SSL_CERT_FILE=" + server().caFile});
    }

    test::ProgramResult add(const test::OAuthMock& provider, const std::string& name, int port,
                            std::vector<std::string> kind) {
        std::vector<std::string> arguments{"--add-account",
                                           "--name",
                                           name,
                                           "--host",
                                           server().host,
                                           "--port",
                                           std::to_string(port),
                                           "--user",
                                           kUser,
                                           "--oauth",
                                           "custom",
                                           "--authorization-url",
                                           provider.url("/authorize"),
                                           "--token-url",
                                           provider.url("/token"),
                                           "--client-id",
                                           test::kMockClientId,
                                           "--scope",
                                           "mail"};
        arguments.insert(arguments.end(), kind.begin(), kind.end());
        return run(arguments);
    }

    test::TempDir dir;
};

TEST_F(CliOAuthDovecotTest, AccountsAddedWithOAuthAreCheckedUntilTheSignInIsRevoked) {
    test::fillMailbox(server(), kUser, 3, "cli-oauth");
    // A new process has no access token in memory: it refreshes first.
    test::OAuthMock provider({"--secret-file", server().dir + "/oauth-secret"});
    ASSERT_EQ(add(provider, "imap", server().imapPort, {"--imap"}).exitCode, 0);
    ASSERT_EQ(add(provider, "imaps", server().imapsPort, {"--imap", "--ssl"}).exitCode, 0);
    ASSERT_EQ(add(provider, "pop3", server().pop3Port, {}).exitCode, 0);
    EXPECT_EQ(provider.count("code_exchanges"), 3);

    const auto first = run({"--check"});
    EXPECT_EQ(first.exitCode, 0) << first.out << first.err;
    EXPECT_EQ(provider.count("refreshes"), 3);
    for (const std::string account : {"0", "1", "2"}) {
        const std::string listed = run({"--list", account}).out;
        EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 3) << listed;
    }

    // The rotated refresh tokens were kept: the next process signs in with them.
    const auto second = run({"--check"});
    EXPECT_EQ(second.exitCode, 0) << second.out << second.err;
    EXPECT_EQ(provider.count("refreshes"), 6);

    const std::string listsBefore = run({"--list"}).out;
    ASSERT_TRUE(provider.control("revoke=all"));
    const auto revoked = run({"--check"});
    EXPECT_EQ(revoked.exitCode, 1);
    EXPECT_EQ(revoked.out, "imap\tError: sign-in expired, please sign in again\n"
                           "imaps\tError: sign-in expired, please sign in again\n"
                           "pop3\tError: sign-in expired, please sign in again\n");
    // Nothing else changes: the lists of the last good check stay.
    EXPECT_EQ(run({"--list"}).out, listsBefore);
}

} // namespace
} // namespace ombrix
