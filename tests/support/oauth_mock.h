#pragma once
// The mock OAuth provider (support/oauth_mock_server.py) as a child process
// of the test, and a test "browser" that follows an authorization URL and
// delivers the redirect to the program's loopback listener.

#include "oauth/json_object.h"
#include "support/temp_dir.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace ombrix::test {

inline constexpr const char* kMockClientId = "ombrix-test-client";

class OAuthMock {
public:
    // `options` are the server's own (--expires-in 30, --no-rotate, ...).
    explicit OAuthMock(const std::vector<std::string>& options = {});
    ~OAuthMock(); // ends the server
    OAuthMock(const OAuthMock&) = delete;
    OAuthMock& operator=(const OAuthMock&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path) const;

    // POST /control?query; true when the server took it.
    bool control(const std::string& query) const;
    // GET /state: the counts and the last tokens it issued.
    oauth::JsonObject state() const;
    std::int64_t count(const std::string& name) const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

struct BrowserVisit {
    int authorizationStatus = 0; // the provider's answer (302 when it signed the user in)
    int redirectStatus = 0;      // the program's answer to the redirect
    std::string redirectBody;
};

// Follows the authorization URL and then the provider's redirect, with the
// redirect's state replaced by `forgedState` when that is not empty.
BrowserVisit visitAsBrowser(const std::string& authorizationUrl,
                            const std::string& forgedState = {});

// The browser of a sign-in: the opener it hands out follows the address on a
// thread of its own, beside the sign-in that waits for the redirect.
class TestBrowser {
public:
    explicit TestBrowser(std::string forgedState = {}) : forgedState_(std::move(forgedState)) {}
    ~TestBrowser() { finish(); }
    TestBrowser(const TestBrowser&) = delete;
    TestBrowser& operator=(const TestBrowser&) = delete;

    std::function<void(const std::string&)> opener();
    // Waits for the visit, if one began.
    void finish();

    std::string openedUrl;
    BrowserVisit visit;

private:
    std::string forgedState_;
    std::thread thread_;
};

} // namespace ombrix::test
