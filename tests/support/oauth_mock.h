#pragma once
// The mock OAuth provider (support/oauth_mock_server.py) as a child process
// of the test, and a test "browser" that follows an authorization URL and
// delivers the redirect to the program's loopback listener.

#include "oauth/json_object.h"
#include "support/temp_dir.h"

#include <string>
#include <sys/types.h>
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

} // namespace ombrix::test
