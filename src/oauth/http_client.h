#pragma once
// One HTTP/1.1 request and its response, over the connection layer: TLS with
// the server certificate verified for https, plain http only to this machine
// (127.0.0.1, ::1 or localhost). Every wait ends at the time-out, and within
// about a second once the stop flag is set. Nothing of it is written to the
// protocol log: the bodies carry tokens and codes.

#include "oauth/http_response.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ombrix::oauth {

inline constexpr std::uint32_t kHttpTimeoutMs = 30000;

struct HttpLimits {
    std::uint32_t timeoutMs = kHttpTimeoutMs; // the whole exchange, connect included
    const std::atomic<std::uint8_t>* stop = nullptr;
};

struct HttpOutcome {
    bool answered = false; // a complete response arrived
    HttpResponse response; // when answered
    std::string failure;   // why not, when not answered
};

// Any thread; blocks until answered, failed, timed out or stopped.
HttpOutcome postForm(const std::string& url,
                     const std::vector<std::pair<std::string, std::string>>& fields,
                     const HttpLimits& limits);
HttpOutcome getUrl(const std::string& url, const HttpLimits& limits);

// Whether plain http may go to this host: only to this machine.
bool loopbackHost(const std::string& host);

} // namespace ombrix::oauth
