// What a hostile or broken provider, or another program on this machine,
// can put before the sign-in: answers that must end as an error and never
// as a token, and stray requests at the listener that waits for the browser.

#include "oauth/device_code.h"
#include "oauth/http_response.h"
#include "oauth/loopback_redirect.h"
#include "oauth/token_endpoint.h"
#include "platform/event.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix::oauth {
namespace {

TEST(HostileHttpTest, AStatusThatIsNotThreeDigitsIsNoAnswer) {
    for (const char* response : {"HTTP/1.1 2000 OK\r\nContent-Length: 2\r\n\r\n{}",
                                 "HTTP/1.1 -20 OK\r\nContent-Length: 2\r\n\r\n{}",
                                 "HTTP/1.1 200OK\r\nContent-Length: 2\r\n\r\n{}",
                                 "HTTP/1.1 20 OK\r\nContent-Length: 2\r\n\r\n{}"})
        EXPECT_EQ(readHttpResponse(response, false).state, ResponseState::Malformed) << response;
    const ResponseRead bare =
        readHttpResponse("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\n{}", false);
    ASSERT_EQ(bare.state, ResponseState::Complete);
    EXPECT_EQ(bare.response.status, 200);
}

TEST(HostileHttpTest, ChunksThatBreakTheirFramingAreNoAnswer) {
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    // A chunk longer than its size says: the bytes after it are not its end.
    EXPECT_EQ(readHttpResponse(head + "2\r\n{}XX0\r\n\r\n", false).state, ResponseState::Malformed);
    EXPECT_EQ(readHttpResponse(head + "2\r\n{}X", false).state, ResponseState::Incomplete);
    // Sizes that overflow, or that exceed what an answer may hold.
    for (const char* size : {"ffffffffffffffff", "10000000000000002", "40001", "-2", "0x2"})
        EXPECT_EQ(readHttpResponse(head + size + "\r\n{}\r\n0\r\n\r\n", false).state,
                  ResponseState::Malformed)
            << size;
    // No last chunk before the stream ends.
    EXPECT_EQ(readHttpResponse(head + "2\r\n{}\r\n", true).state, ResponseState::Malformed);
    // A body past the limit, however it is framed.
    EXPECT_EQ(
        readHttpResponse("HTTP/1.1 200 OK\r\n\r\n" + std::string(kMaxResponseBytes, 'x'), false)
            .state,
        ResponseState::Malformed);
}

TEST(HostileHttpTest, LengthsThatDisagreeAreNoAnswer) {
    EXPECT_EQ(
        readHttpResponse("HTTP/1.1 200 OK\r\nContent-Length: 20\r\nContent-Length: 2\r\n\r\n{}"
                         "{\"access_token\":\"x\"}",
                         false)
            .state,
        ResponseState::Malformed);
    const ResponseRead repeated = readHttpResponse(
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\n{}", false);
    ASSERT_EQ(repeated.state, ResponseState::Complete);
    EXPECT_EQ(repeated.response.body, "{}");
}

HttpOutcome okAnswer(std::string body) {
    HttpOutcome outcome;
    outcome.answered = true;
    outcome.response.status = 200;
    outcome.response.body = std::move(body);
    return outcome;
}

TEST(HostileTokenReplyTest, ATokenWithBytesNoTokenHasIsNoGrant) {
    // RFC 6749, appendix A: both tokens are printable ASCII. Anything else
    // would go into the authentication command or ombrix.conf as garbage.
    for (const char* body : {R"({"access_token":"a\u0000b"})", R"({"access_token":"a\r\nb"})",
                             R"({"access_token":"a\u0001b"})", R"({"access_token":"caf\u00e9"})",
                             R"({"access_token":"at","refresh_token":"r\nx=1"})",
                             R"({"access_token":"at","refresh_token":"\u007f"})"}) {
        const TokenReply reply = readTokenReply(okAnswer(body));
        EXPECT_EQ(reply.outcome, TokenOutcome::Failed) << body;
        EXPECT_TRUE(reply.grant.accessToken.empty()) << body;
    }
    // A blank ends a bearer token, so it cannot be in one; a refresh token
    // only goes into a form, where it may.
    EXPECT_EQ(readTokenReply(okAnswer(R"({"access_token":"a b"})")).outcome, TokenOutcome::Failed);
    const TokenReply spaced =
        readTokenReply(okAnswer(R"({"access_token":"a/b~!=","refresh_token":"1/x y"})"));
    EXPECT_EQ(spaced.outcome, TokenOutcome::Granted);
    EXPECT_EQ(spaced.grant.accessToken, "a/b~!=");
    EXPECT_EQ(spaced.grant.refreshToken, "1/x y");
}

TEST(HostileTokenReplyTest, TokenValuesOfAnotherKindAreNoGrant) {
    for (const char* body : {R"({"access_token":12345})", R"({"access_token":true})",
                             R"({"access_token":null})", R"({"access_token":"at"} x)",
                             R"({"access_token":{"a":"b"}})", R"({"access_token":["at"]})"})
        EXPECT_EQ(readTokenReply(okAnswer(body)).outcome, TokenOutcome::Failed) << body;
    // A refresh token of another kind is no refresh token, not the whole answer's end.
    EXPECT_EQ(
        readTokenReply(okAnswer(R"({"access_token":"at","refresh_token":7})")).grant.refreshToken,
        "");
}

TEST(HostileTokenReplyTest, TheProvidersWordsReachTheUserBoundedAndOnOneLine) {
    // An "é" across the cut of the description: no half of it is shown.
    const std::string cutDescription = std::string(199, 'x') + "\xC3\xA9 and more";
    EXPECT_EQ(readTokenReply(okAnswer(R"({"error":"invalid_client","error_description":")" +
                                      cutDescription + "\"}"))
                  .reason,
              "invalid_client: " + std::string(199, 'x'));
    const TokenReply huge =
        readTokenReply(okAnswer(R"({"error":")" + std::string(100000, 'e') + R"(\u001b[2J"})"));
    EXPECT_EQ(huge.outcome, TokenOutcome::Refused);
    EXPECT_LT(huge.reason.size(), 1000u);
    EXPECT_EQ(readTokenReply(okAnswer(R"({"error":"a\u007fb\u001b]0;x\u0007"})")).reason,
              "a b ]0;x ");

    const RedirectOutcome redirected =
        readRedirectTarget("/?state=s1&error=" + std::string(20000, 'e') + "%1B%5B2J", "s1");
    EXPECT_FALSE(redirected.ok);
    EXPECT_LT(redirected.failure.size(), 1000u);
    EXPECT_EQ(redirected.failure.find('\x1b'), std::string::npos);
}

TEST(DeviceCodeReplyTest, ShowsTheUserOnlyCodesAndAddressesThatAreSafeToShow) {
    const DeviceCodeReply good = readDeviceCodeReply(
        okAnswer(R"({"device_code":"dc","user_code":"WDJB-MJHT","verification_uri":)"
                 R"("https://example.org/device","interval":7,"expires_in":99999999})"));
    ASSERT_TRUE(good.code) << good.failure;
    EXPECT_EQ(good.code->userCode, "WDJB-MJHT");
    EXPECT_EQ(good.code->verificationUri, "https://example.org/device");
    EXPECT_EQ(good.code->interval, 7);
    EXPECT_EQ(good.code->expiresIn, kLongestDeviceWait);

    const std::string rest = R"(,"device_code":"dc"})";
    for (const std::string& fields :
         {std::string(R"({"user_code":"AB\u001b[2JCD","verification_uri":"https://e.org/d")"),
          std::string(R"({"user_code":"AB\nCD","verification_uri":"https://e.org/d")"),
          std::string(R"({"user_code":"ABCD","verification_uri":"https://e.org/d\r\nGo to x")"),
          std::string(R"({"user_code":"ABCD","verification_uri":"javascript:void") "),
              std::string(R"({"user_code":"ABCD","verification_uri":"https://e.org/)") +
              std::string(5000, 'd') + "\"",
          std::string(R"({"user_code":"","verification_uri":"https://e.org/d")")}) {
        const DeviceCodeReply refused = readDeviceCodeReply(okAnswer(fields + rest));
        EXPECT_FALSE(refused.code) << fields;
        EXPECT_FALSE(refused.failure.empty()) << fields;
    }
    EXPECT_FALSE(
        readDeviceCodeReply(okAnswer(R"({"user_code":"A","verification_uri":"https://e.org/d"})"))
            .code);

    // No interval, or one of none at all, is RFC 8628's five seconds; a
    // wait beyond a minute is cut to one.
    const std::string code =
        R"({"device_code":"dc","user_code":"A","verification_uri":"https://e.org/d")";
    for (const auto& [interval, seconds] : {std::pair{"", 5},
                                            {R"(,"interval":0)", 5},
                                            {R"(,"interval":-3)", 5},
                                            {R"(,"interval":3600)", 60}}) {
        const DeviceCodeReply reply = readDeviceCodeReply(okAnswer(code + interval + "}"));
        ASSERT_TRUE(reply.code) << interval;
        EXPECT_EQ(reply.code->interval, seconds) << interval;
    }

    const DeviceCodeReply error =
        readDeviceCodeReply(okAnswer(R"({"error":"invalid_client\u001b]0;owned\u0007"})"));
    EXPECT_FALSE(error.code);
    EXPECT_NE(error.failure.find("invalid_client"), std::string::npos);
    EXPECT_EQ(error.failure.find('\x1b'), std::string::npos) << error.failure;
}

// A client of the listener, as another program on this machine would be.
class Visitor {
public:
    explicit Visitor(const std::string& redirectUri) {
        const std::string port = redirectUri.substr(redirectUri.rfind(':') + 1);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(port)));
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        connected_ =
            ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Visitor() { ::close(fd_); }
    bool connected() const { return connected_; }
    Visitor(const Visitor&) = delete;
    Visitor& operator=(const Visitor&) = delete;

    bool send(const std::string& text) {
        return connected_ && ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) ==
                                 static_cast<ssize_t>(text.size());
    }
    // Everything the listener answered, once it has closed the connection.
    std::string answer() {
        timeval guard{60, 0}; // a failure guard only
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
        std::string received;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
        return received;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

TEST(LoopbackRedirectTest, StrayRequestsAreTurnedAwayAndTheSignInWaitsForItsOwn) {
    LoopbackRedirect redirect;
    ASSERT_TRUE(redirect.listening()) << redirect.failure();
    // All of them are sent before the listener looks: the order of arrival is fixed.
    Visitor favicon(redirect.redirectUri());
    ASSERT_TRUE(favicon.send("GET /favicon.ico HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    Visitor probe(redirect.redirectUri());
    ASSERT_TRUE(probe.send("GET / HTTP/1.0\r\n\r\n"));
    Visitor otherPath(redirect.redirectUri());
    ASSERT_TRUE(otherPath.send("GET /callback/elsewhere?x=1 HTTP/1.1\r\n\r\n"));
    Visitor post(redirect.redirectUri());
    ASSERT_TRUE(post.send("POST /?code=c2&state=s1 HTTP/1.1\r\nContent-Length: 0\r\n\r\n"));
    Visitor browser(redirect.redirectUri());
    ASSERT_TRUE(browser.send("GET /?code=c1&state=s1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));

    const RedirectOutcome outcome = redirect.await("s1", {TickCount() + 60000, nullptr});
    ASSERT_TRUE(outcome.ok) << outcome.failure;
    EXPECT_EQ(outcome.code, "c1");
    EXPECT_EQ(browser.answer().rfind("HTTP/1.1 200 ", 0), 0u);
    EXPECT_EQ(favicon.answer().rfind("HTTP/1.1 404 ", 0), 0u);
    EXPECT_EQ(probe.answer().rfind("HTTP/1.1 404 ", 0), 0u);
    EXPECT_EQ(otherPath.answer().rfind("HTTP/1.1 404 ", 0), 0u);
    // The wait is over: nobody is let in to wait for an answer.
    EXPECT_FALSE(Visitor(redirect.redirectUri()).connected());
}

TEST(LoopbackRedirectTest, ARedirectWithAForeignStateStillEndsTheWaitUnexchanged) {
    LoopbackRedirect redirect;
    ASSERT_TRUE(redirect.listening()) << redirect.failure();
    Visitor probe(redirect.redirectUri());
    ASSERT_TRUE(probe.send("GET /robots.txt HTTP/1.1\r\n\r\n"));
    Visitor forger(redirect.redirectUri());
    ASSERT_TRUE(forger.send("GET /?code=c9&state=s2 HTTP/1.1\r\n\r\n"));

    const RedirectOutcome outcome = redirect.await("s1", {TickCount() + 60000, nullptr});
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.code.empty());
    EXPECT_EQ(forger.answer().rfind("HTTP/1.1 400 ", 0), 0u);
}

} // namespace
} // namespace ombrix::oauth
