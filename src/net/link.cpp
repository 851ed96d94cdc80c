#include "net/link.h"

#include "net/net_texts.h"
#include "net/protocol_log.h"
#include "net/tls_session.h"
#include "platform/event.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
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
// acknowledgement by up to 40 ms. Asking for quick-ack mode sends a pending
// acknowledgement at once; it is done only before a wait for more of a reply,
// as our next command carries the acknowledgement of a whole reply anyway.
void acknowledgeAtOnce(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

// After the connect and the hand-shake a wait is a blocking call bounded by
// the socket's time-outs, not a poll() before each read.
void blockFromNowOn(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) != 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
}

Link::Transfer transferOf(TlsSession::Step step) {
    switch (step) {
    case TlsSession::Step::Done:
        return Link::Transfer::Done;
    case TlsSession::Step::WantRead:
    case TlsSession::Step::WantWrite:
        return Link::Transfer::Blocked;
    default:
        return Link::Transfer::Ended;
    }
}

bool isRetry(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// The TCP port of an address, which TLS sessions are kept by.
std::uint16_t portOf(const SocketAddress& address) {
    if (address.bytes.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address.bytes)->sin6_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address.bytes)->sin_port);
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
    std::lock_guard lock(fdMutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    sliceMs_ = 0;
    unacknowledged_ = false;
}

void Link::adopt(int fd) {
    std::lock_guard lock(fdMutex_);
    fd_ = fd;
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
    // Wakes a read or write that blocks on the socket itself.
    std::lock_guard lock(fdMutex_);
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
    }
}

Link::Readiness Link::sliceOf(const WaitLimit& limit, std::optional<std::uint64_t>& sliceMs) const {
    if (cancelled_) {
        return Readiness::Cancelled;
    }
    if (limit.stop && *limit.stop != 0) {
        return Readiness::Stopped;
    }
    sliceMs.reset();
    if (limit.stop) {
        sliceMs = kStopSliceMs;
    }
    if (limit.deadline != UINT64_MAX) {
        const std::uint64_t now = TickCount();
        if (now >= limit.deadline) {
            return Readiness::TimedOut;
        }
        sliceMs = std::min(kStopSliceMs, limit.deadline - now);
    }
    return Readiness::Ready;
}

Link::Readiness Link::nextSlice(const WaitLimit& limit) {
    std::optional<std::uint64_t> sliceMs;
    if (const Readiness readiness = sliceOf(limit, sliceMs); readiness != Readiness::Ready) {
        return readiness;
    }
    const std::uint64_t slice = sliceMs.value_or(0); // 0: the socket waits as long as it takes
    if (slice != sliceMs_) {
        timeval time{};
        time.tv_sec = static_cast<time_t>(slice / 1000);
        time.tv_usec = static_cast<suseconds_t>(slice % 1000 * 1000);
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &time, sizeof time);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &time, sizeof time);
        sliceMs_ = slice;
    }
    return Readiness::Ready;
}

Link::Readiness Link::waitUntil(short events, const WaitLimit& limit) {
    pollfd watched[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        std::optional<std::uint64_t> sliceMs;
        if (const Readiness readiness = sliceOf(limit, sliceMs); readiness != Readiness::Ready) {
            return readiness;
        }
        const int timeoutMs = sliceMs ? static_cast<int>(*sliceMs) : -1;
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
    resumed_ = false;
    bool connected = false;
    std::uint16_t port = 0;
    for (const SocketAddress& address : addresses) {
        port = portOf(address);
        adopt(::socket(address.bytes.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC,
                       IPPROTO_TCP));
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
    if (useTls && !handshake(host, port, limit)) {
        release();
        return false;
    }
    blockFromNowOn(fd_);
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

bool Link::handshake(const std::string& host, std::uint16_t port, const WaitLimit& limit) {
    tls_ = TlsSession::create(fd_, host, port, pinned_, failureReason_);
    if (!tls_) {
        return false;
    }
    for (;;) {
        Readiness readiness = Readiness::Ready;
        switch (tls_->handshake(failureReason_)) {
        case TlsSession::Step::Done:
            resumed_ = tls_->resumed();
            if (resumed_) {
                protocol_log::note("TLS session of " + host + " resumed");
            }
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

Link::Transfer Link::receive(char* buffer, std::size_t capacity, bool wait, std::size_t& got) {
    got = 0;
    if (tls_) {
        std::lock_guard lock(tlsMutex_);
        return transferOf(tls_->read(buffer, capacity, got, wait));
    }
    const ssize_t result = ::recv(fd_, buffer, capacity, wait ? 0 : MSG_DONTWAIT);
    if (result > 0) {
        got = static_cast<std::size_t>(result);
        return Transfer::Done;
    }
    return result < 0 && isRetry(errno) ? Transfer::Blocked : Transfer::Ended;
}

ReadResult Link::readSome(char* buffer, std::size_t capacity, const WaitLimit& limit) {
    if (cancelled_ || fd_ < 0) {
        return {ReadStatus::Ended, 0};
    }
    std::size_t got = 0;
    if (unacknowledged_) {
        // More is wanted after bytes we have not acknowledged: if it is not
        // there yet, acknowledge them before waiting (see acknowledgeAtOnce).
        const Transfer transfer = receive(buffer, capacity, false, got);
        if (transfer != Transfer::Blocked) {
            return {transfer == Transfer::Done ? ReadStatus::Data : ReadStatus::Ended, got};
        }
        acknowledgeAtOnce(fd_);
        unacknowledged_ = false;
        protocol_log::note(kEarlyAcknowledgementNote);
    }
    for (;;) {
        const Readiness readiness = nextSlice(limit);
        // Bytes that are already there are taken even when the limit has come.
        const Transfer transfer =
            receive(buffer, capacity, readiness == Readiness::Ready && !cancelled_, got);
        if (transfer == Transfer::Done) {
            unacknowledged_ = true;
            return {ReadStatus::Data, got};
        }
        if (transfer == Transfer::Ended || cancelled_) {
            return {ReadStatus::Ended, 0};
        }
        if (readiness != Readiness::Ready) {
            return notReadable(readiness);
        }
        // Blocked: the slice ran out (or a signal came); look at the limit again.
    }
}

Link::Transfer Link::send(std::string_view bytes, bool wait, std::size_t& sent) {
    sent = 0;
    if (tls_) {
        std::lock_guard lock(tlsMutex_);
        return transferOf(tls_->write(bytes.data(), bytes.size(), sent, wait));
    }
    const ssize_t result =
        ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT));
    if (result > 0) {
        sent = static_cast<std::size_t>(result);
        return Transfer::Done;
    }
    return result < 0 && isRetry(errno) ? Transfer::Blocked : Transfer::Ended;
}

bool Link::writeAll(std::string_view bytes, const WaitLimit& limit) {
    if (fd_ < 0 || cancelled_) {
        return false;
    }
    // The first try never waits, so that a command still goes out after the
    // limit has come when the socket takes it.
    bool wait = false;
    while (!bytes.empty()) {
        std::size_t sent = 0;
        const Transfer transfer = send(bytes, wait, sent);
        if (transfer == Transfer::Ended || cancelled_) {
            return false;
        }
        bytes.remove_prefix(sent);
        if (transfer == Transfer::Blocked) {
            if (nextSlice(limit) != Readiness::Ready) {
                return false;
            }
            wait = true;
        }
    }
    unacknowledged_ = false; // what we sent carries the acknowledgement
    return true;
}

void Link::notifyClose() {
    if (tls_ && fd_ >= 0 && !cancelled_) {
        std::lock_guard lock(tlsMutex_);
        tls_->notifyClose();
    }
}

} // namespace ombrix
