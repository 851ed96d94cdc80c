#include "oauth/http_client.h"

#include "net/host_lookup.h"
#include "net/link.h"
#include "oauth/url_text.h"
#include "platform/event.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace ombrix::oauth {
namespace {

constexpr std::uint32_t kStopSliceMs = 1000;

// Lookups given up by a stopped or timed-out exchange: each ends within its
// own budget and is joined by a later exchange, so a stop never waits for
// the name server.
std::mutex givenUpMutex;
std::vector<std::unique_ptr<HostLookup>> givenUpLookups;

void keepGivenUp(std::unique_ptr<HostLookup> lookup) {
    const std::lock_guard lock(givenUpMutex);
    std::erase_if(givenUpLookups, [](const auto& old) { return old->finished(); });
    givenUpLookups.push_back(std::move(lookup));
}

std::uint32_t remainingMs(const WaitLimit& limit) {
    const std::uint64_t now = TickCount();
    return now >= limit.deadline ? 0 : static_cast<std::uint32_t>(limit.deadline - now);
}

bool stopped(const WaitLimit& limit) {
    return limit.stop && *limit.stop != 0;
}

std::optional<std::vector<SocketAddress>> lookUp(const UrlParts& url, const WaitLimit& limit,
                                                 std::string& failure) {
    auto finished = std::make_shared<Event>(false);
    auto lookup = std::make_unique<HostLookup>(url.host, url.port, remainingMs(limit), finished);
    while (!finished->wait(std::min(remainingMs(limit), kStopSliceMs))) {
        if (stopped(limit) || TickCount() >= limit.deadline) {
            failure = stopped(limit) ? "aborted" : "host name lookup timed out";
            keepGivenUp(std::move(lookup));
            return std::nullopt;
        }
    }
    if (lookup->addresses().empty()) {
        failure = lookup->failureReason();
        return std::nullopt;
    }
    return lookup->addresses();
}

std::string requestText(const std::string& method, const UrlParts& url, const std::string& body) {
    const bool defaultPort = url.port == (url.scheme == "https" ? 443 : 80);
    const std::string host =
        url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    std::string request = method + " " + url.target + " HTTP/1.1\r\n";
    request += "Host: " + host + (defaultPort ? "" : ":" + std::to_string(url.port)) + "\r\n";
    request += "User-Agent: ombrix\r\nAccept: application/json\r\nConnection: close\r\n";
    if (method == "POST") {
        request += "Content-Type: application/x-www-form-urlencoded\r\n";
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return request + "\r\n" + body;
}

HttpOutcome failed(std::string reason) {
    HttpOutcome outcome;
    outcome.failure = std::move(reason);
    return outcome;
}

HttpOutcome receive(Link& link, const WaitLimit& limit) {
    std::string received;
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        const ReadResult got = link.readSome(buffer.data(), buffer.size(), limit);
        received.append(buffer.data(), got.count);
        const bool ended = got.status == ReadStatus::Ended;
        const ResponseRead read = readHttpResponse(received, ended);
        if (read.state == ResponseState::Complete) {
            HttpOutcome outcome;
            outcome.answered = true;
            outcome.response = read.response;
            return outcome;
        }
        if (got.status == ReadStatus::Stopped)
            return failed("aborted");
        if (got.status == ReadStatus::TimedOut)
            return failed("no answer in time");
        if (read.state == ResponseState::Malformed || ended)
            return failed(received.empty() ? "the connection closed without an answer"
                                           : "not an HTTP answer");
    }
}

HttpOutcome exchange(const std::string& method, const std::string& address, const std::string& body,
                     const HttpLimits& limits) {
    const std::optional<UrlParts> url = parseUrl(address);
    if (!url)
        return failed("not a web address: " + urlForMessages(address));
    if (url->scheme == "http" && !loopbackHost(url->host))
        return failed("plain http is refused for " + url->host + ": use https");
    const WaitLimit limit{TickCount() + limits.timeoutMs, limits.stop};
    std::string failure;
    const auto addresses = lookUp(*url, limit, failure);
    if (!addresses)
        return failed(failure);
    Link link;
    if (!link.open(*addresses, url->host, url->scheme == "https", limit))
        return failed(link.failureReason());
    if (!link.writeAll(requestText(method, *url, body), limit))
        return failed(stopped(limit) ? "aborted" : "the request could not be sent");
    HttpOutcome outcome = receive(link, limit);
    link.notifyClose();
    return outcome;
}

} // namespace

bool loopbackHost(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || host == "localhost";
}

HttpOutcome postForm(const std::string& url,
                     const std::vector<std::pair<std::string, std::string>>& fields,
                     const HttpLimits& limits) {
    return exchange("POST", url, formEncoded(fields), limits);
}

HttpOutcome getUrl(const std::string& url, const HttpLimits& limits) {
    return exchange("GET", url, {}, limits);
}

} // namespace ombrix::oauth
