// Check runs of OAuth accounts against scripted servers: the mechanism the
// server's capabilities choose, the initial response inline or after "+",
// the failure challenge, one refresh, and the sign-in message.

#include "check/check_texts.h"
#include "check_fixture.h"
#include "proto/sasl_bearer.h"
#include "support/test_token_source.h"

#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

// {"status":"401","schemes":"bearer","scope":"mail"}
constexpr const char* kRefusal =
    "+ eyJzdGF0dXMiOiI0MDEiLCJzY2hlbWVzIjoiYmVhcmVyIiwic2NvcGUiOiJtYWlsIn0=";

std::string xoauth2(const std::string& token) {
    return base64Encode("user=bob\x01"
                        "auth=Bearer " +
                        token + "\x01\x01");
}

class OAuthCheckTest : public CheckRunTest {
protected:
    AccountRecord& oauthAccount(const LoopbackServer& server, bool imap) {
        AccountRecord& a = account(0, server, imap);
        a.password.clear();
        a.oauthProvider = "google";
        return a;
    }

    // Two known mails, the second read, as an earlier check left them.
    AccountRecord& checkedBefore(const LoopbackServer& server, bool imap) {
        AccountRecord& a = oauthAccount(server, imap);
        storeKnown(a, 0, "11", kMailA, 0);
        storeKnown(a, 1, "12", kMailB, 1);
        a.mailCount = 2;
        a.uidValidity = "7";
        a.uidNext = "13";
        return a;
    }

    std::string oauthbearer(const LoopbackServer& server, const std::string& token) {
        return bearerInitialResponse(BearerMechanism::OAuthBearer,
                                     {"bob", server.host(), server.port()}, token);
    }
};

void imapEmptyMailbox(Script& s, int firstTag) {
    const auto tag = [firstTag](int k) { return "a00" + std::to_string(firstTag + k); };
    s.expect(tag(0) + " EXAMINE INBOX")
        .send("* OK [UIDVALIDITY 7] ok\r\n" + tag(0) + " OK [READ-ONLY] done\r\n");
    s.expect(tag(1) + " STATUS INBOX (UIDNEXT)")
        .send("* STATUS INBOX (UIDNEXT 1)\r\n" + tag(1) + " OK done\r\n");
    s.expect(tag(2) + " STATUS INBOX (MESSAGES)")
        .send("* STATUS INBOX (MESSAGES 0)\r\n" + tag(2) + " OK done\r\n");
    s.expect(tag(3) + " LOGOUT").sendLine(tag(3) + " OK bye");
}

TEST_F(OAuthCheckTest, ImapPrefersOauthbearerAndSendsItInlineWithSaslIr) {
    TestTokenSource tokens({readyToken("tok-1")});
    Script s;
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=XOAUTH2 AUTH=OAUTHBEARER] hi");
    s.expectStart("a000 AUTHENTICATE OAUTHBEARER ").sendLine("a000 OK Logged in");
    imapEmptyMailbox(s, 1);
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_FALSE(server.received().empty());
    EXPECT_EQ(server.received()[0],
              "a000 AUTHENTICATE OAUTHBEARER " + oauthbearer(server, "tok-1"));
    const auto requests = tokens.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].refresh);
    EXPECT_EQ(requests[0].account,
              (TokenAccount{"google", server.host(), "bob", "imap", std::stoi(server.port())}));
}

TEST_F(OAuthCheckTest, ImapAsksForCapabilitiesAndAnswersTheContinuationWithoutSaslIr) {
    TestTokenSource tokens({readyToken("tok-1")});
    Script s;
    s.sendLine("* OK IMAP ready");
    s.expect("a000 CAPABILITY")
        .send("* CAPABILITY IMAP4rev1 AUTH=PLAIN AUTH=XOAUTH2\r\na000 OK done\r\n");
    s.expect("a001 AUTHENTICATE XOAUTH2").sendLine("+ ");
    s.expect(xoauth2("tok-1")).sendLine("a001 OK Logged in");
    imapEmptyMailbox(s, 2);
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.checked, 1);
}

// The server's failure challenge, the empty answer XOAUTH2 requires, its
// refusal; then a fresh token on a fresh connection.
void refusedXoauth2(Script& s, const std::string& token) {
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] ready");
    s.expect("a000 AUTHENTICATE XOAUTH2 " + xoauth2(token)).sendLine(kRefusal);
    s.expect("").sendLine("a000 NO [AUTHENTICATIONFAILED] Authentication failed.").close();
}

TEST_F(OAuthCheckTest, ImapRefusedTokenIsRefreshedOnceAndTheCheckSucceeds) {
    TestTokenSource tokens({readyToken("old"), readyToken("new")});
    Script s;
    refusedXoauth2(s, "old");
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] ready");
    s.expect("a000 AUTHENTICATE XOAUTH2 " + xoauth2("new")).sendLine("a000 OK Logged in");
    imapEmptyMailbox(s, 1);
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(server.connections(), 2);
    const auto requests = tokens.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].refresh);
    EXPECT_TRUE(requests[1].refresh);
}

TEST_F(OAuthCheckTest, ImapSecondRefusalAsksToSignInAgainAndKeepsTheList) {
    TestTokenSource tokens({readyToken("old"), readyToken("also-bad")});
    Script s;
    refusedXoauth2(s, "old");
    refusedXoauth2(s, "also-bad");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, true);
    const auto before = std::make_unique<AccountRecord>(a);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(tokens.refreshes(), 1);
    ASSERT_EQ(a.mailCount, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a.mails.uid(i), before->mails.uid(i));
        EXPECT_EQ(a.mails[i].read, before->mails[i].read);
        EXPECT_EQ(a.mails.subject(i), before->mails.subject(i));
    }
    EXPECT_EQ(a.uidNext, "13");
    EXPECT_EQ(a.uidValidity, "7");
}

TEST_F(OAuthCheckTest, OauthbearerFailureIsAnsweredWithCtrlA) {
    TestTokenSource tokens({readyToken("old"), readyToken("new")});
    Script s;
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=OAUTHBEARER] ready");
    s.expectStart("a000 AUTHENTICATE OAUTHBEARER ").sendLine(kRefusal);
    s.expect("AQ==").sendLine("a000 NO [AUTHENTICATIONFAILED] Authentication failed.");
    s.sendLine("* BYE").close();
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=OAUTHBEARER] ready");
    s.expectStart("a000 AUTHENTICATE OAUTHBEARER ").sendLine("a000 OK Logged in");
    imapEmptyMailbox(s, 1);
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    const auto lines = server.received();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "a000 AUTHENTICATE OAUTHBEARER " + oauthbearer(server, "old"));
    EXPECT_EQ(lines[2], "a000 AUTHENTICATE OAUTHBEARER " + oauthbearer(server, "new"));
}

TEST_F(OAuthCheckTest, RefusalWithoutChallengeShowsTheServersTextWithoutRefresh) {
    TestTokenSource tokens({readyToken("tok")});
    Script s;
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] ready");
    s.expect("a000 AUTHENTICATE XOAUTH2 " + xoauth2("tok"))
        .sendLine("a000 NO [UNAVAILABLE] Try later");
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_THAT(a.errorText, ::testing::HasSubstr("Try later"));
    EXPECT_EQ(tokens.refreshes(), 0);
}

// {"status":"invalid_request"}: a challenge that names no token fault.
constexpr const char* kVagueChallenge = "+ eyJzdGF0dXMiOiJpbnZhbGlkX3JlcXVlc3QifQ==";

// One refused sign-in on a connection of its own, the way one server or another says no.
using RefusedSignIn = void (*)(Script& s);

void imapBareNo(Script& s) {
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] ready");
    s.expectStart("a000 AUTHENTICATE XOAUTH2 ").sendLine("a000 NO AUTHENTICATE failed.").close();
}

void imapVagueChallenge(Script& s) {
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=OAUTHBEARER] ready");
    s.expectStart("a000 AUTHENTICATE OAUTHBEARER ").sendLine(kVagueChallenge);
    s.expect("AQ==").sendLine("a000 NO [AUTHENTICATIONFAILED] Authentication failed.").close();
}

void pop3BareErr(Script& s) {
    s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nSASL XOAUTH2\r\n.\r\n");
    s.expectStart("AUTH XOAUTH2 ").sendLine("-ERR Authentication failed.").close();
}

void pop3VagueChallenge(Script& s) {
    s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nSASL XOAUTH2\r\n.\r\n");
    s.expectStart("AUTH XOAUTH2 ").sendLine(kVagueChallenge);
    s.expect("").sendLine("-ERR [AUTH] Authentication failed.").close();
}

// A token the program still takes for valid (a sleep, a revocation, a clock
// gone wrong) is refused however the server puts it: one refresh and one
// more sign-in, and never a third.
TEST_F(OAuthCheckTest, EveryRefusalOfTheSignInIsRetriedOnceWithARefreshedToken) {
    struct Row {
        const char* name;
        RefusedSignIn refusal;
        bool imap;
    };
    const Row rows[] = {{"imap NO", imapBareNo, true},
                        {"imap challenge", imapVagueChallenge, true},
                        {"pop3 -ERR", pop3BareErr, false},
                        {"pop3 challenge", pop3VagueChallenge, false}};
    for (const Row& row : rows) {
        resetProcessState();
        windowHidden = 1;
        TestTokenSource tokens({readyToken("stale"), readyToken("still-refused")});
        Script s;
        for (int attempt = 0; attempt < 3; ++attempt) // a third would be played, and counted
            row.refusal(s);
        LoopbackServer server(s);
        AccountRecord& a = checkedBefore(server, row.imap);

        runCheck();

        EXPECT_EQ(server.connections(), 2) << row.name;
        EXPECT_EQ(tokens.refreshes(), 1) << row.name;
        ASSERT_EQ(tokens.requests().size(), 2u) << row.name;
        EXPECT_FALSE(tokens.requests()[0].refresh) << row.name;
        EXPECT_EQ(a.errorText, "sign-in expired, please sign in again") << row.name;
        EXPECT_EQ(a.mailCount, 2) << row.name;
    }
}

TEST_F(OAuthCheckTest, ImapBareNoIsRefreshedAndTheSecondSignInPasses) {
    TestTokenSource tokens({readyToken("stale"), readyToken("fresh")});
    Script s;
    imapBareNo(s);
    s.sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] ready");
    s.expect("a000 AUTHENTICATE XOAUTH2 " + xoauth2("fresh")).sendLine("a000 OK Logged in");
    imapEmptyMailbox(s, 1);
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(tokens.refreshes(), 1);
}

TEST_F(OAuthCheckTest, Pop3RefusalBlamingTheServerIsNotRetried) {
    TestTokenSource tokens({readyToken("tok")});
    Script s;
    s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nSASL XOAUTH2\r\n.\r\n");
    s.expectStart("AUTH XOAUTH2 ").sendLine("-ERR [SYS/TEMP] Try later").close();
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::HasSubstr("Try later"));
    EXPECT_EQ(tokens.refreshes(), 0);
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(OAuthCheckTest, SourceAnswersEndTheSignInBeforeAnyConnect) {
    struct Row {
        const char* name;
        AccessTokenAnswer answer;
        std::string text;
    };
    const Row rows[] = {
        {"expired", tokenAnswer(TokenStatus::SignInExpired, "refresh token revoked"),
         "sign-in expired, please sign in again"},
        {"failed", tokenAnswer(TokenStatus::Failed, "token endpoint unreachable"),
         "token endpoint unreachable"},
    };
    for (const Row& row : rows) {
        for (const bool imap : {false, true}) {
            resetProcessState();
            windowHidden = 1;
            TestTokenSource tokens({row.answer});
            LoopbackServer server(Script().sendLine(imap ? "* OK ready" : "+OK ready"));
            AccountRecord& a = checkedBefore(server, imap);

            runCheck();

            EXPECT_EQ(a.errorFlag, 1) << row.name;
            EXPECT_EQ(a.errorText, row.text) << row.name;
            EXPECT_EQ(tokens.requests().size(), 1u) << row.name;
            EXPECT_EQ(server.connections(), 0) << row.name;
            EXPECT_EQ(a.mailCount, 2) << row.name;
        }
    }
}

TEST_F(OAuthCheckTest, GermanSignInMessage) {
    Language = 0;
    TestTokenSource tokens({tokenAnswer(TokenStatus::SignInExpired, "")});
    LoopbackServer server(Script().sendLine("* OK ready"));
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_EQ(a.errorText, "Anmeldung abgelaufen, bitte erneut anmelden");
}

TEST_F(OAuthCheckTest, TokenWithLineBreakIsNeverSent) {
    TestTokenSource tokens({readyToken("tok\r\na001 LOGOUT"), readyToken(std::string("t\0k", 3))});
    LoopbackServer server(Script().sendLine("* OK ready"));
    AccountRecord& a = oauthAccount(server, true);

    runCheck();

    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(a.errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(tokens.refreshes(), 1);
}

TEST_F(OAuthCheckTest, ServerWithoutBearerMechanismIsNamed) {
    TestTokenSource tokens({readyToken("tok")});
    // A server each: the two accounts are checked side by side.
    LoopbackServer imap(
        Script().sendLine("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready").close());
    Script pop3;
    pop3.sendLine("+OK ready").expect("CAPA").send("+OK\r\nUSER\r\nSASL PLAIN\r\n.\r\n");
    LoopbackServer server(pop3);
    AccountRecord& a = oauthAccount(imap, true);
    AccountRecord& b = account(1, server, false);
    b.password.clear();
    b.oauthProvider = "microsoft";

    runCheck();

    EXPECT_TRUE(imap.waitUntilDone());
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorText, "server offers no OAuth sign-in");
    EXPECT_EQ(b.errorText, "server offers no OAuth sign-in");
}

TEST_F(OAuthCheckTest, Pop3SendsAShortInitialResponseInline) {
    TestTokenSource tokens({readyToken("tok")});
    Script s;
    s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nUSER\r\nSASL PLAIN XOAUTH2\r\n.\r\n");
    s.expect("AUTH XOAUTH2 " + xoauth2("tok")).sendLine("+OK Logged in.");
    s.expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(tokens.requests().at(0).account.protocol, "pop3");
}

// CAPA lines beyond the SASL line, more than a listing's usual bound.
std::string longCapa(std::size_t atLeast) {
    std::string capa = "+OK Capability list follows\r\nSASL PLAIN XOAUTH2\r\n";
    for (int k = 0; capa.size() < atLeast; ++k)
        capa += "X-VENDOR-EXTENSION-" + std::to_string(k) + " ON\r\n";
    return capa + ".\r\n";
}

// A listing ended by count left its tail in the stream, which was then read
// as the answer to AUTH: the sign-in failed with the server's own CAPA lines.
TEST_F(OAuthCheckTest, Pop3LongCapaIsReadToItsTerminator) {
    TestTokenSource tokens({readyToken("tok")});
    Script s;
    // In two writes: a listing read in one piece ended at its terminator even so.
    const std::string capa = longCapa(40000);
    s.sendLine("+OK ready").expect("CAPA").send(capa.substr(0, 20000));
    s.pause(50ms).send(capa.substr(20000));
    s.expect("AUTH XOAUTH2 " + xoauth2("tok")).sendLine("+OK Logged in.");
    s.expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
}

// A listing longer than the reply buffer is read to its end and fails the
// sign-in as a protocol fault; nothing of it is taken for a later reply.
TEST_F(OAuthCheckTest, Pop3CapaBeyondTheBufferFailsAsAProtocolFault) {
    TestTokenSource tokens({readyToken("tok")});
    Script s;
    s.sendLine("+OK ready").expect("CAPA").send(longCapa(ReplyBuffer::kCheckCapacity + 50000));
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::StartsWith("protocol error"));
    EXPECT_EQ(a.mailCount, 2) << "the list of the last check stays";
    EXPECT_EQ(server.received().size(), 1u) << "no AUTH after a cut listing";
}

TEST_F(OAuthCheckTest, Pop3LongResponseFollowsTheContinuationAndRefusalIsRetried) {
    const std::string oldToken(200, 'o');
    const std::string newToken(200, 'n');
    TestTokenSource tokens({readyToken(oldToken), readyToken(newToken)});
    Script s;
    s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nSASL OAUTHBEARER XOAUTH2\r\n.\r\n");
    s.expect("AUTH OAUTHBEARER").sendLine("+ ");
    s.expectStart("bixhPWJvYiwB").sendLine(kRefusal);
    s.expect("AQ==").sendLine("-ERR [AUTH] Authentication failed.").close();
    s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nSASL OAUTHBEARER XOAUTH2\r\n.\r\n");
    s.expect("AUTH OAUTHBEARER").sendLine("+ ");
    s.expectStart("bixhPWJvYiwB").sendLine("+OK Logged in.");
    s.expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = oauthAccount(server, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    const auto lines = server.received();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[2], oauthbearer(server, oldToken));
    EXPECT_EQ(lines[6], oauthbearer(server, newToken));
    EXPECT_EQ(tokens.refreshes(), 1);
}

TEST_F(OAuthCheckTest, Pop3SecondRefusalAsksToSignInAgain) {
    TestTokenSource tokens({readyToken("bad")});
    Script s;
    for (int attempt = 0; attempt < 2; ++attempt) {
        s.sendLine("+OK ready").expect("CAPA").send("+OK\r\nSASL XOAUTH2\r\n.\r\n");
        s.expect("AUTH XOAUTH2 " + xoauth2("bad")).sendLine(kRefusal);
        s.expect("").sendLine("-ERR [AUTH] Authentication failed.").close();
    }
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorText, "sign-in expired, please sign in again");
    EXPECT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails[1].read, 1);
    EXPECT_EQ(tokens.refreshes(), 1);
}

} // namespace
} // namespace ombrix::test
