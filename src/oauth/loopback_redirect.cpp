#include "oauth/loopback_redirect.h"

#include "oauth/oauth_texts.h"
#include "oauth/provider_words.h"
#include "oauth/url_text.h"
#include "platform/event.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace ombrix::oauth {
namespace {

constexpr std::size_t kMaxConnections = 8;
constexpr std::size_t kMaxRequestHead = 16 * 1024;
constexpr int kPollSliceMs = 250;

struct Visitor {
    int fd = -1;
    std::string received;
};

void closeAll(std::vector<Visitor>& visitors) {
    for (Visitor& visitor : visitors)
        ::close(visitor.fd);
    visitors.clear();
}

std::string answerPage(bool ok) {
    const std::string text = ok ? oauth_texts::browserPage() : oauth_texts::browserPageRefused();
    const std::string body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Ombrix"
                             "</title></head><body><p>" +
                             text + "</p></body></html>\n";
    return std::string(ok ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 400 Bad Request\r\n") +
           "Content-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
           "Connection: close\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// For whatever is not the redirect: a browser's favicon, a probe, a page
// that guessed the port. It does not end the wait for the browser.
constexpr std::string_view kNotFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                                       "Cache-Control: no-store\r\nConnection: close\r\n\r\n";

// Best effort within a short while: the page is a courtesy, the code counts.
void sendAll(int fd, std::string_view bytes) {
    std::size_t sent = 0;
    const std::uint64_t giveUp = TickCount() + 2000;
    while (sent < bytes.size() && TickCount() < giveUp) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return;
        pollfd watched{fd, POLLOUT, 0};
        ::poll(&watched, 1, kPollSliceMs);
    }
}

// request-line = method SP request-target SP HTTP-version
std::optional<std::string> requestTarget(const std::string& head) {
    const std::size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    const std::size_t first = line.find(' ');
    const std::size_t second = line.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos ||
        line.compare(0, first, "GET") != 0)
        return std::nullopt;
    return line.substr(first + 1, second - first - 1);
}

// The redirect comes to the path of redirectUri() and carries at least one
// of the fields a provider sends there; a wrong state among them is an
// answer too, and refused.
bool redirectTarget(const std::string& target) {
    if (target.substr(0, target.find('?')) != "/")
        return false;
    const std::map<std::string, std::string> fields = queryFields(target);
    return fields.contains("state") || fields.contains("code") || fields.contains("error");
}

// Reads what the visitor sent; true once its request head is complete (or
// it can never be: closed, too long).
bool readVisitor(Visitor& visitor) {
    char buffer[4096];
    const ssize_t n = ::recv(visitor.fd, buffer, sizeof buffer, 0);
    if (n <= 0)
        return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    visitor.received.append(buffer, static_cast<std::size_t>(n));
    return visitor.received.find("\r\n\r\n") != std::string::npos ||
           visitor.received.size() > kMaxRequestHead;
}

void dropVisitor(std::vector<Visitor>& visitors, std::size_t k) {
    ::close(visitors[k].fd);
    visitors.erase(visitors.begin() + static_cast<std::ptrdiff_t>(k));
}

void acceptVisitor(int listener, std::vector<Visitor>& visitors) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (visitors.size() >= kMaxConnections) {
        ::close(visitors.front().fd); // the oldest is most likely a spare one
        visitors.erase(visitors.begin());
    }
    visitors.push_back({fd, {}});
}

} // namespace

RedirectOutcome readRedirectTarget(const std::string& target, const std::string& expectedState) {
    RedirectOutcome outcome;
    const std::map<std::string, std::string> fields = queryFields(target);
    const auto field = [&fields](const char* name) -> const std::string* {
        const auto found = fields.find(name);
        return found == fields.end() ? nullptr : &found->second;
    };
    const std::string* state = field("state");
    if (!state || *state != expectedState) {
        outcome.failure = oauth_texts::wrongState();
        return outcome;
    }
    if (const std::string* error = field("error")) {
        const std::string* description = field("error_description");
        outcome.failure = oauth_texts::signInRefused(
            providerReason(*error, description ? std::optional(*description) : std::nullopt));
        return outcome;
    }
    const std::string* code = field("code");
    if (!code || code->empty()) {
        outcome.failure = oauth_texts::missingCode();
        return outcome;
    }
    outcome.ok = true;
    outcome.code = *code;
    return outcome;
}

LoopbackRedirect::LoopbackRedirect() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        failure_ = std::string("no listener for the browser's answer: ") + std::strerror(errno);
        if (listener_ >= 0)
            ::close(listener_);
        listener_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
}

LoopbackRedirect::~LoopbackRedirect() {
    if (listener_ >= 0)
        ::close(listener_);
}

std::string LoopbackRedirect::redirectUri() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

RedirectOutcome LoopbackRedirect::await(const std::string& expectedState, const WaitLimit& limit) {
    RedirectOutcome outcome = awaitRequest(expectedState, limit);
    // No later request waits in the backlog for an answer that never comes
    // while the code is exchanged: it is refused at once.
    if (listening()) {
        ::close(listener_);
        listener_ = -1;
        failure_ = "the listener for the browser's answer is closed";
    }
    return outcome;
}

RedirectOutcome LoopbackRedirect::awaitRequest(const std::string& expectedState,
                                               const WaitLimit& limit) {
    RedirectOutcome outcome;
    if (!listening()) {
        outcome.failure = failure_;
        return outcome;
    }
    std::vector<Visitor> visitors;
    for (;;) {
        if (limit.stop && *limit.stop != 0) {
            outcome.failure = oauth_texts::signInAborted();
            break;
        }
        const std::uint64_t now = TickCount();
        if (now >= limit.deadline) {
            outcome.failure = oauth_texts::signInTimedOut();
            break;
        }
        std::vector<pollfd> watched{{listener_, POLLIN, 0}};
        for (const Visitor& visitor : visitors)
            watched.push_back({visitor.fd, POLLIN, 0});
        const int sliceMs =
            static_cast<int>(std::min<std::uint64_t>(kPollSliceMs, limit.deadline - now));
        if (::poll(watched.data(), watched.size(), sliceMs) <= 0)
            continue;
        for (std::size_t k = visitors.size(); k-- > 0;) {
            if (watched[k + 1].revents == 0 || !readVisitor(visitors[k]))
                continue;
            const std::optional<std::string> target = requestTarget(visitors[k].received);
            if (!target) { // a closed spare connection, or no request of ours
                dropVisitor(visitors, k);
                continue;
            }
            if (!redirectTarget(*target)) {
                sendAll(visitors[k].fd, kNotFound);
                dropVisitor(visitors, k);
                continue;
            }
            outcome = readRedirectTarget(*target, expectedState);
            sendAll(visitors[k].fd, answerPage(outcome.ok));
            closeAll(visitors);
            return outcome;
        }
        if (watched[0].revents != 0)
            acceptVisitor(listener_, visitors);
    }
    closeAll(visitors);
    return outcome;
}

} // namespace ombrix::oauth
