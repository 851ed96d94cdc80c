// The scripted loopback server: one thread plays the script over the
// connections it accepts. Every wait also watches a stop descriptor, so the
// destructor ends the server wherever it is.

#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix::test {
namespace {

// Waits for events on fd; false when the server is being stopped.
bool waitFor(int fd, short events, int stopFd) {
    pollfd watched[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        int result = ::poll(watched, 2, -1);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        return result > 0 && watched[1].revents == 0;
    }
}

// Waits out a scripted pause; true when the server is stopped meanwhile.
bool stoppedDuring(std::chrono::milliseconds pause, int stopFd) {
    pollfd watched{stopFd, POLLIN, 0};
    return ::poll(&watched, 1, static_cast<int>(pause.count())) > 0;
}

bool stopRequested(int stopFd) {
    return stoppedDuring(std::chrono::milliseconds(0), stopFd);
}

} // namespace

// One accepted connection, plain or TLS, with non-blocking I/O.
class LoopbackServer::Session {
public:
    Session(int fd, SSL_CTX* tls, int stopFd) : fd_(fd), stopFd_(stopFd) {
        if (tls) {
            ssl_ = SSL_new(tls);
            SSL_set_fd(ssl_, fd_);
            SSL_set_accept_state(ssl_);
        }
    }
    ~Session() {
        if (ssl_) {
            if (tlsUp_) {
                SSL_shutdown(ssl_);
            }
            SSL_free(ssl_);
            ERR_clear_error();
        }
        ::close(fd_);
    }

    bool handshake() {
        tlsUp_ = retry([this] { return SSL_accept(ssl_); });
        ERR_clear_error();
        return tlsUp_;
    }

    bool readLine(std::string& line) {
        for (;;) {
            std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                return true;
            }
            char buffer[4096];
            std::size_t got = readSome(buffer, sizeof buffer);
            if (got == 0) {
                return false;
            }
            pending_.append(buffer, got);
        }
    }

    bool writeAll(std::string_view bytes) {
        while (!bytes.empty()) {
            std::size_t written = 0;
            if (ssl_ && tlsUp_) {
                if (!retry(
                        [&] { return SSL_write_ex(ssl_, bytes.data(), bytes.size(), &written); })) {
                    return false;
                }
            } else {
                ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
                    if (!waitFor(fd_, POLLOUT, stopFd_)) {
                        return false;
                    }
                    continue;
                }
                if (sent <= 0) {
                    return false;
                }
                written = static_cast<std::size_t>(sent);
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    void drainUntilClosed() {
        char buffer[4096];
        while (readSome(buffer, sizeof buffer) > 0) {
        }
    }

private:
    std::size_t readSome(char* buffer, std::size_t capacity) {
        if (ssl_ && tlsUp_) {
            std::size_t got = 0;
            return retry([&] { return SSL_read_ex(ssl_, buffer, capacity, &got); }) ? got : 0;
        }
        for (;;) {
            ssize_t got = ::recv(fd_, buffer, capacity, 0);
            if (got > 0) {
                return static_cast<std::size_t>(got);
            }
            if (got == 0 || (errno != EAGAIN && errno != EINTR) || !waitFor(fd_, POLLIN, stopFd_)) {
                return 0;
            }
        }
    }

    // Repeats a non-blocking TLS call until it succeeds (true) or fails.
    template <class Call> bool retry(Call call) {
        for (;;) {
            int result = call();
            if (result == 1) {
                return true;
            }
            int error = SSL_get_error(ssl_, result);
            short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                           : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                           : 0;
            if (events == 0 || !waitFor(fd_, events, stopFd_)) {
                return false;
            }
        }
    }

    int fd_;
    int stopFd_;
    SSL* ssl_ = nullptr;
    bool tlsUp_ = false;
    std::string pending_;
};

LoopbackServer::LoopbackServer(Script script) : script_(std::move(script)) {
    listenOnLoopback();
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::LoopbackServer(Script script, const TestCertificates& tls)
    : script_(std::move(script)) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    tlsContext_ =
        std::shared_ptr<void>(context, [](void* c) { SSL_CTX_free(static_cast<SSL_CTX*>(c)); });
    if (!context ||
        SSL_CTX_use_certificate_file(context, tls.certFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, tls.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        throw std::runtime_error("loopback server: cannot load the test certificate");
    }
    listenOnLoopback();
    thread_ = std::thread([this] { serve(); });
}

void LoopbackServer::listenOnLoopback() {
    std::signal(SIGPIPE, SIG_IGN);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    releaseFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (stopFd_ < 0 || releaseFd_ < 0 || listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listenFd_, 8) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("loopback server: cannot listen");
    }
    port_ = ntohs(address.sin_port);
}

LoopbackServer::~LoopbackServer() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(stopFd_, &one, sizeof one);
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(listenFd_);
    ::close(stopFd_);
    ::close(releaseFd_);
}

void LoopbackServer::release() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(releaseFd_, &one, sizeof one);
}

std::string LoopbackServer::port() const {
    return std::to_string(port_);
}

void LoopbackServer::advanceTo(std::size_t step) {
    {
        std::lock_guard lock(mutex_);
        reached_ = step;
    }
    progressed_.notify_all();
}

void LoopbackServer::serve() {
    const std::vector<ScriptStep>& steps = script_.steps();
    SSL_CTX* tls = static_cast<SSL_CTX*>(tlsContext_.get());
    std::unique_ptr<Session> session;
    std::size_t i = 0;
    while (i < steps.size()) {
        const ScriptStep& step = steps[i];
        if (!session) {
            if (!waitFor(listenFd_, POLLIN, stopFd_)) {
                return;
            }
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            session = std::make_unique<Session>(fd, tls, stopFd_);
            {
                std::lock_guard lock(mutex_);
                ++connections_;
            }
            progressed_.notify_all();
            if (tls && step.kind != ScriptStep::Kind::Silent && !session->handshake()) {
                session.reset();
                {
                    std::lock_guard lock(mutex_);
                    ++tlsFailures_;
                }
                while (i < steps.size() && steps[i].kind != ScriptStep::Kind::Close) {
                    ++i;
                }
                advanceTo(i = std::min(i + 1, steps.size()));
                continue;
            }
        }
        switch (step.kind) {
        case ScriptStep::Kind::Expect:
        case ScriptStep::Kind::ExpectStart: {
            std::string line;
            if (!session->readLine(line)) {
                if (!stopRequested(stopFd_)) {
                    ADD_FAILURE() << "loopback server: the client closed the connection; "
                                     "the script expected: "
                                  << step.bytes;
                }
                return;
            }
            {
                std::lock_guard lock(mutex_);
                received_.push_back(line);
            }
            if (step.kind == ScriptStep::Kind::Expect)
                EXPECT_EQ(line, step.bytes)
                    << "loopback server: unexpected client line (step " << i << ")";
            else
                EXPECT_TRUE(line.starts_with(step.bytes))
                    << "loopback server: unexpected client line (step " << i << "): " << line
                    << "\nexpected it to begin with: " << step.bytes;
            break;
        }
        case ScriptStep::Kind::Send:
            if (!session->writeAll(step.bytes)) {
                if (!stopRequested(stopFd_)) {
                    ADD_FAILURE() << "loopback server: could not send step " << i;
                }
                return;
            }
            break;
        case ScriptStep::Kind::Pause:
            if (stoppedDuring(step.pause, stopFd_)) {
                return;
            }
            break;
        case ScriptStep::Kind::Silent:
            session->drainUntilClosed();
            break;
        case ScriptStep::Kind::Hold:
            if (!waitFor(releaseFd_, POLLIN, stopFd_)) {
                return;
            }
            break;
        case ScriptStep::Kind::Close:
            session.reset();
            break;
        case ScriptStep::Kind::ExpectClose: {
            std::string line;
            if (session->readLine(line)) {
                {
                    std::lock_guard lock(mutex_);
                    received_.push_back(line);
                }
                ADD_FAILURE() << "loopback server: the client sent \"" << line
                              << "\" where it should have closed (step " << i << ")";
            }
            session.reset();
            break;
        }
        }
        advanceTo(++i);
    }
}

bool LoopbackServer::waitUntilDone(std::chrono::milliseconds limit) {
    return waitUntilReached(script_.steps().size(), limit);
}

bool LoopbackServer::waitUntilReached(std::size_t step, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return progressed_.wait_for(lock, limit, [&] { return reached_ >= step; });
}

bool LoopbackServer::waitForConnections(int count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return progressed_.wait_for(lock, limit, [&] { return connections_ >= count; });
}

std::vector<std::string> LoopbackServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

int LoopbackServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

int LoopbackServer::tlsFailures() const {
    std::lock_guard lock(mutex_);
    return tlsFailures_;
}

} // namespace ombrix::test
