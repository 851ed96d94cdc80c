#include "faults/fault_connection.h"

#include <cerrno>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix::test {
namespace {

// A client line longer than this is not a command of a mail checker.
constexpr std::size_t kMaxLine = 1 << 20;

} // namespace

FaultConnection::FaultConnection(int fd, SSL_CTX* tls, int stopFd) : fd_(fd), stopFd_(stopFd) {
    if (tls) {
        ssl_ = SSL_new(tls);
        SSL_set_fd(ssl_, fd_);
        SSL_set_accept_state(ssl_);
    }
}

FaultConnection::~FaultConnection() {
    if (ssl_) {
        if (tlsUp_)
            SSL_shutdown(ssl_);
        SSL_free(ssl_);
        ERR_clear_error();
    }
    ::close(fd_);
}

bool FaultConnection::waitFor(short events) {
    pollfd watched[2] = {{fd_, events, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        const int result = ::poll(watched, 2, -1);
        if (result < 0 && errno == EINTR)
            continue;
        return result > 0 && watched[1].revents == 0;
    }
}

template <class Call> bool FaultConnection::retry(Call call) {
    for (;;) {
        const int result = call();
        if (result == 1)
            return true;
        const int error = SSL_get_error(ssl_, result);
        const short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                             : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                             : 0;
        if (events == 0 || !waitFor(events))
            return false;
    }
}

bool FaultConnection::handshake() {
    if (!ssl_)
        return true;
    tlsUp_ = retry([this] { return SSL_accept(ssl_); });
    ERR_clear_error();
    return tlsUp_;
}

std::size_t FaultConnection::readSome(char* buffer, std::size_t capacity) {
    if (ssl_ && tlsUp_) {
        std::size_t got = 0;
        return retry([&] { return SSL_read_ex(ssl_, buffer, capacity, &got); }) ? got : 0;
    }
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, capacity, 0);
        if (got > 0)
            return static_cast<std::size_t>(got);
        if (got == 0 || (errno != EAGAIN && errno != EINTR) || !waitFor(POLLIN))
            return 0;
    }
}

bool FaultConnection::readLine(std::string& line) {
    for (;;) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        if (pending_.size() > kMaxLine)
            return false;
        char buffer[4096];
        const std::size_t got = readSome(buffer, sizeof buffer);
        if (got == 0)
            return false;
        pending_.append(buffer, got);
    }
}

bool FaultConnection::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        std::size_t written = 0;
        if (ssl_ && tlsUp_) {
            if (!retry([&] { return SSL_write_ex(ssl_, bytes.data(), bytes.size(), &written); }))
                return false;
        } else {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (!waitFor(POLLOUT))
                    return false;
                continue;
            }
            if (sent <= 0)
                return false;
            written = static_cast<std::size_t>(sent);
        }
        bytes.remove_prefix(written);
    }
    return true;
}

void FaultConnection::drainUntilClosed() {
    char buffer[4096];
    while (readSome(buffer, sizeof buffer) > 0) {
    }
}

void FaultConnection::waitForHangUp() {
    // POLLRDHUP reports the client's close without reading what it sent.
    waitFor(POLLRDHUP);
}

void FaultConnection::waitForClient() {
    if (pending_.empty() && !(ssl_ && SSL_pending(ssl_) > 0))
        waitFor(POLLIN);
}

} // namespace ombrix::test
