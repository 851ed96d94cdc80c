// The bytes of the bearer-token mechanisms: initial responses as Google and
// RFC 7628 print them, the failure challenge, and what the servers advertise.

#include "proto/imap_sasl.h"
#include "proto/pop3_sasl.h"
#include "proto/sasl_bearer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using ::testing::ElementsAre;

TEST(SaslBearerResponse, Xoauth2MatchesGooglesExample) {
    EXPECT_EQ(bearerInitialResponse(BearerMechanism::XOAuth2,
                                    {"someuser@example.com", "imap.gmail.com", "993"},
                                    "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg"),
              "dXNlcj1zb21ldXNlckBleGFtcGxlLmNvbQFhdXRoPUJlYXJlciB5YTI5LnZGOWRmdDRxbVRjMk52YjN"
              "SbGNrQmhkSFJoZG1semRHRXVZMjl0Q2cBAQ==");
}

TEST(SaslBearerResponse, OauthbearerMatchesTheRfcExample) {
    EXPECT_EQ(bearerInitialResponse(BearerMechanism::OAuthBearer,
                                    {"user@example.com", "server.example.com", "143"},
                                    "vF9dft4qmTc2Nvb3RlckBhbHRhdmlzdGEuY29tCg=="),
              "bixhPXVzZXJAZXhhbXBsZS5jb20sAWhvc3Q9c2VydmVyLmV4YW1wbGUuY29tAXBvcnQ9MTQzAWF1dGg9Q"
              "mVhcmVyIHZGOWRmdDRxbVRjMk52YjNSbGNrQmhiSFJoZG1semRHRXVZMjl0Q2c9PQEB");
}

TEST(SaslBearerResponse, OauthbearerEscapesCommaAndEqualsInTheUserName) {
    // "n,a=a=2Cb=3Dc," ^A "host=h" ^A "port=1" ^A "auth=Bearer t" ^A ^A
    EXPECT_EQ(bearerInitialResponse(BearerMechanism::OAuthBearer, {"a,b=c", "h", "1"}, "t"),
              "bixhPWE9MkNiPTNEYywBaG9zdD1oAXBvcnQ9MQFhdXRoPUJlYXJlciB0AQE=");
}

TEST(SaslBearerResponse, FailureAcknowledgementIsEmptyForXoauth2AndCtrlAForOauthbearer) {
    EXPECT_EQ(bearerFailureAcknowledgement(BearerMechanism::XOAuth2), "");
    EXPECT_EQ(bearerFailureAcknowledgement(BearerMechanism::OAuthBearer), "AQ==");
}

TEST(SaslBearerResponse, Base64FollowsTheRfc4648Vectors) {
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encode(std::string("\xff\xfe\x00", 3)), "//4A");
}

TEST(SaslBearerResponse, OnlyVisibleAsciiTokensAndControlFreeUsersAreSent) {
    EXPECT_TRUE(bearerTokenSendable("ya29.a0-_~+/=xyz"));
    for (const std::string& bad :
         {std::string(""), std::string("tok\r\nen"), std::string("tok\nen"),
          std::string("tok\x01", 4), std::string("to ken"), std::string("tok\0en", 6),
          std::string("tok\xc3\xa9")})
        EXPECT_FALSE(bearerTokenSendable(bad)) << bad;
    EXPECT_TRUE(bearerUserSendable("jörg@example.org"));
    EXPECT_FALSE(bearerUserSendable(std::string("me\x01", 3)));
    EXPECT_FALSE(bearerUserSendable("me\r\nAUTH"));
}

TEST(SaslBearerMechanism, OauthbearerIsPreferredAndCaseDoesNotMatter) {
    EXPECT_EQ(chooseBearerMechanism({"PLAIN", "XOAUTH2", "OAUTHBEARER"}),
              BearerMechanism::OAuthBearer);
    EXPECT_EQ(chooseBearerMechanism({"plain", "xoauth2"}), BearerMechanism::XOAuth2);
    EXPECT_EQ(chooseBearerMechanism({"PLAIN", "LOGIN", "XOAUTH"}), std::nullopt);
    EXPECT_EQ(chooseBearerMechanism({}), std::nullopt);
}

struct ChallengeRow {
    const char* name;
    const char* base64;
    const char* status;
    bool tokenRefused;
};

TEST(SaslBearerChallenge, StatusDecidesWhetherAFreshTokenCanHelp) {
    const ChallengeRow rows[] = {
        // {"status":"401","schemes":"bearer","scope":"mail"}, as Dovecot sends it
        {"dovecot", "eyJzdGF0dXMiOiI0MDEiLCJzY2hlbWVzIjoiYmVhcmVyIiwic2NvcGUiOiJtYWlsIn0=", "401",
         true},
        // RFC 7628's example with "invalid_token"
        {"rfc7628",
         "eyJzdGF0dXMiOiJpbnZhbGlkX3Rva2VuIiwic2NvcGUiOiJleGFtcGxlX3Njb3BlIiwib3BlbmlkLWNvbmZpZ3Vy"
         "YXRpb24iOiJodHRwczovL2V4YW1wbGUuY29tLy53ZWxsLWtub3duL29wZW5pZC1jb25maWd1cmF0aW9uIn0=",
         "invalid_token", true},
        // { "schemes" : "bearer", "status" : "insufficient_scope" }
        {"scope_with_blanks",
         "eyAic2NoZW1lcyIgOiAiYmVhcmVyIiwgInN0YXR1cyIgOiAiaW5zdWZmaWNpZW50X3Njb3BlIiB9",
         "insufficient_scope", false},
        {"empty", "", "", false},
        {"no_json", "bm90IGpzb24=", "", false},
        // {"status":401} without quotes: no string value
        {"number_status", "eyJzdGF0dXMiOjQwMX0=", "", false},
    };
    for (const ChallengeRow& row : rows) {
        const BearerChallenge challenge = decodeBearerChallenge(row.base64);
        EXPECT_EQ(challenge.status, row.status) << row.name;
        EXPECT_EQ(challenge.tokenRefused(), row.tokenRefused) << row.name;
    }
}

TEST(ImapCapabilities, FromTheGreetingCodeOrTheCapabilityLine) {
    const std::vector<std::string> greeting =
        imapCapabilities("* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN AUTH=OAUTHBEARER "
                         "AUTH=XOAUTH2] Dovecot ready.\r\n");
    EXPECT_THAT(greeting, ElementsAre("IMAP4rev1", "SASL-IR", "AUTH=PLAIN", "AUTH=OAUTHBEARER",
                                      "AUTH=XOAUTH2"));
    EXPECT_THAT(imapAuthMechanisms(greeting), ElementsAre("PLAIN", "OAUTHBEARER", "XOAUTH2"));
    EXPECT_THAT(imapCapabilities("* OK ready\r\n"), ElementsAre());
    EXPECT_THAT(imapCapabilities("* ID NIL\r\n* Capability IMAP4rev1 auth=xoauth2\r\n"
                                 "a000 OK done\r\n"),
                ElementsAre("IMAP4rev1", "auth=xoauth2"));
    EXPECT_THAT(imapAuthMechanisms({"IMAP4rev1", "auth=xoauth2"}), ElementsAre("xoauth2"));
    // A capability named inside a tagged completion's text is no list.
    EXPECT_THAT(imapCapabilities("a000 OK [CAPABILITY IMAP4rev1] done\r\n"), ElementsAre());
}

TEST(Pop3Capabilities, SaslLineOfTheCapaListing) {
    EXPECT_THAT(pop3SaslMechanisms("+OK\r\nCAPA\r\nTOP\r\nUIDL\r\nUSER\r\n"
                                   "SASL PLAIN LOGIN OAUTHBEARER XOAUTH2\r\n.\r\n"),
                ElementsAre("PLAIN", "LOGIN", "OAUTHBEARER", "XOAUTH2"));
    EXPECT_THAT(pop3SaslMechanisms("+OK\r\nTOP\r\n.\r\n"), ElementsAre());
    EXPECT_THAT(pop3SaslMechanisms("-ERR unknown command\r\n"), ElementsAre());
}

TEST(Pop3Capabilities, InitialResponseStaysInlineWithin255Octets) {
    const std::string fits(255 - std::string("AUTH XOAUTH2 \r\n").size(), 'A');
    EXPECT_EQ(pop3AuthCommand(BearerMechanism::XOAuth2, fits), "AUTH XOAUTH2 " + fits);
    EXPECT_EQ(pop3AuthCommand(BearerMechanism::XOAuth2, fits + "A"), "");
    EXPECT_EQ(pop3AuthCommand(BearerMechanism::OAuthBearer, "abc"), "AUTH OAUTHBEARER abc");
}

} // namespace
} // namespace ombrix
