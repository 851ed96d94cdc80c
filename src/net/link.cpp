#include "net/link.h"

#include "net/net_texts.h"
#include "net/protocol_log.h"
#include "net/tls_session.h"
#include "platform/event.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix {
namespace {

// A wait that may be stopped looks at its stop flag at least this often.
constexpr std::uint64_t kStopSliceMs = 1000;

constexpr const char* kConnectTimedOut = "connection timed out";
constexpr const char* kHandshakeTimedOut = "TLS hand-shake timed out";

// A TLS write to a peer that has gone would otherwise end the process.
void ignoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            signal(SIGPIPE, SIG_IGN);
        }
    });
}

// Commands are short lines, each answered before the next: every one must
// leave at once instead of waiting for the acknowledgement of the one before.
void sendSmallWritesAtOnce(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A server that writes one reply in several small pieces holds the later ones
// back (Nagle) until we acknowledge the first, and Linux delays that
// acknowledgement by up to 40 ms. Quick-ack mode is not sticky: the kernel
// may leave it again, so it is asked for after every read.
void acknowledgeAtOnce(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

bool limitReached(const WaitLimit& limit) {
    return (limit.stop && *limit.stop != 0) || TickCount() >= limit.deadline;
}

} // namespace

Link::Link() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    ignoreBrokenPipes();
}

Link::~Link() {
    release();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void Link::release() {
    tls_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void Link::keepAlive(int idleSeconds, int intervalSeconds, int probes) {
    if (fd_ < 0) {
        return;
    }
    int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

void Link::cancel() {
    cancelled_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
}

Link::Readiness Link::waitUntil(short events, const WaitLimit& limit) {
    pollfd watched[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    const bool limited = limit.stop || limit.deadline != UINT64_MAX;
    for (;;) {
        if (cancelled_) {
            return Readiness::Cancelled;
        }
        if (limit.stop && *limit.stop != 0) {
            return Readiness::Stopped;
        }
        int timeoutMs = -1;
        if (limited) {
            const std::uint64_t now = TickCount();
            if (now >= limit.deadline) {
                return Readiness::TimedOut;
            }
            timeoutMs = static_cast<int>(std::min(kStopSliceMs, limit.deadline - now));
        }
        const int result = ::poll(watched, 2, timeoutMs);
        if (result < 0 && errno != EINTR) {
            return Readiness::Cancelled;
        }
        if (result > 0 && watched[1].revents != 0) {
            return Readiness::Cancelled;
        }
        if (result > 0 && watched[0].revents != 0) {
            return Readiness::Ready;
        }
    }
}

bool Link::failWaiting(Readiness readiness, const char* timedOutText) {
    failureReason_ = readiness == Readiness::TimedOut ? timedOutText : "aborted";
    return false;
}

bool Link::open(const std::vector<SocketAddress>& addresses, const std::string& host, bool useTls,
                const WaitLimit& limit) {
    failureReason_ = "host not found";
    bool connected = false;
    for (const SocketAddress& address : addresses) {
        fd_ = ::socket(address.bytes.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC,
                       IPPROTO_TCP);
        if (fd_ < 0) {
            failureReason_ = std::strerror(errno);
            transportFault_ = net_texts::kNoSocket;
            continue;
        }
        connected = connectTo(address, limit);
        if (connected) {
            break;
        }
        release();
        if (limitReached(limit)) {
            break;
        }
    }
    if (!connected) {
        return false;
    }
    sendSmallWritesAtOnce(fd_);
    if (useTls && !handshake(host, limit)) {
        release();
        return false;
    }
    return true;
}

bool Link::connectTo(const SocketAddress& address, const WaitLimit& limit) {
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address.bytes), address.length) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        failureReason_ = std::strerror(errno);
        return false;
    }
    const Readiness readiness = waitUntil(POLLOUT, limit);
    if (readiness != Readiness::Ready) {
        return failWaiting(readiness, kConnectTimedOut);
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
    }
    if (error != 0) {
        failureReason_ = std::strerror(error);
        return false;
    }
    return true;
}

bool Link::handshake(const std::string& host, const WaitLimit& limit) {
    tls_ = TlsSession::create(fd_, host, pinnedSha256_, failureReason_);
    if (!tls_) {
        return false;
    }
    for (;;) {
        Readiness readiness = Readiness::Ready;
        switch (tls_->handshake(failureReason_)) {
        case TlsSession::Step::Done:
            return true;
        case TlsSession::Step::WantRead:
            readiness = waitUntil(POLLIN, limit);
            break;
        case TlsSession::Step::WantWrite:
            readiness = waitUntil(POLLOUT, limit);
            break;
        case TlsSession::Step::Closed:
            failureReason_ = "connection closed during TLS hand-shake";
            return false;
        case TlsSession::Step::Failed:
            refused_ = tls_->refusedCertificate();
            if (refused_) {
                protocol_log::note("certificate of " + host + " refused: " + refused_->reason +
                                   ", SHA-256 " + refused_->sha256);
            }
            return false;
        }
        if (readiness != Readiness::Ready) {
            return failWaiting(readiness, kHandshakeTimedOut);
        }
    }
}

ReadResult Link::notReadable(Readiness readiness) {
    switch (readiness) {
    case Readiness::TimedOut:
        return {ReadStatus::TimedOut, 0};
    case Readiness::Stopped:
        return {ReadStatus::Stopped, 0};
    default:
        return {ReadStatus::Ended, 0};
    }
}

ReadResult Link::readSome(char* buffer, std::size_t capacity, const WaitLimit& limit) {
    for (;;) {
        if (cancelled_ || fd_ < 0) {
            return {ReadStatus::Ended, 0};
        }
        if (tls_) {
            std::unique_lock lock(tlsMutex_);
            if (!tls_->hasBufferedBytes()) {
                lock.unlock();
                if (const Readiness ready = waitUntil(POLLIN, limit); ready != Readiness::Ready) {
                    return notReadable(ready);
                }
                lock.lock();
            }
            std::size_t got = 0;
            TlsSession::Step step = tls_->read(buffer, capacity, got);
            if (step == TlsSession::Step::Done) {
                acknowledgeAtOnce(fd_);
                return {ReadStatus::Data, got};
            }
            if (step != TlsSession::Step::WantRead && step != TlsSession::Step::WantWrite) {
                return {ReadStatus::Ended, 0};
            }
            continue;
        }
        ssize_t got = ::recv(fd_, buffer, capacity, 0);
        if (got > 0) {
            acknowledgeAtOnce(fd_);
            return {ReadStatus::Data, static_cast<std::size_t>(got)};
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return {ReadStatus::Ended, 0};
        }
        if (const Readiness ready = waitUntil(POLLIN, limit); ready != Readiness::Ready) {
            return notReadable(ready);
        }
    }
}

bool Link::writeAll(std::string_view bytes, const WaitLimit& limit) {
    if (fd_ < 0 || cancelled_) {
        return false;
    }
    return tls_ ? writeTls(bytes, limit) : writePlain(bytes, limit);
}

bool Link::writePlain(std::string_view bytes, const WaitLimit& limit) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (waitUntil(POLLOUT, limit) != Readiness::Ready) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

bool Link::writeTls(std::string_view bytes, const WaitLimit& limit) {
    std::lock_guard lock(tlsMutex_);
    while (!bytes.empty()) {
        std::size_t written = 0;
        Readiness readiness = Readiness::Ready;
        switch (tls_->write(bytes.data(), bytes.size(), written)) {
        case TlsSession::Step::Done:
            bytes.remove_prefix(written);
            break;
        case TlsSession::Step::WantRead:
            readiness = waitUntil(POLLIN, limit);
            break;
        case TlsSession::Step::WantWrite:
            readiness = waitUntil(POLLOUT, limit);
            break;
        default:
            return false;
        }
        if (readiness != Readiness::Ready) {
            return false;
        }
    }
    return true;
}

void Link::notifyClose() {
    if (tls_ && fd_ >= 0 && !cancelled_) {
        std::lock_guard lock(tlsMutex_);
        tls_->notifyClose();
    }
}

} // namespace ombrix
