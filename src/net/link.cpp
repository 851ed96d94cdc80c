#include "net/link.h"

#include "net/net_texts.h"
#include "net/tls_session.h"
#include "platform/message_box.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix {
namespace {

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

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() {
        if (head) {
            freeaddrinfo(head);
        }
    }
};

} // namespace

Link::Link() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    ignoreBrokenPipes();
}

Link::~Link() {
    tls_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void Link::cancel() {
    cancelled_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
}

Link::Readiness Link::waitUntil(short events) {
    pollfd watched[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    while (!cancelled_) {
        int result = ::poll(watched, 2, -1);
        if (result < 0 && errno != EINTR) {
            return Readiness::Cancelled;
        }
        if (watched[1].revents != 0) {
            return Readiness::Cancelled;
        }
        if (result > 0 && watched[0].revents != 0) {
            return Readiness::Ready;
        }
    }
    return Readiness::Cancelled;
}

bool Link::open(const std::string& host, const std::string& port, bool useTls) {
    // The port field is read like a plain decimal conversion: digits up to the first other byte.
    long portNumber = std::strtol(port.c_str(), nullptr, 10);
    if (portNumber < 1 || portNumber > 65535) {
        failureReason_ = "invalid port";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList addresses;
    int status =
        getaddrinfo(host.c_str(), std::to_string(portNumber).c_str(), &hints, &addresses.head);
    if (status != 0) {
        failureReason_ = gai_strerror(status);
        return false;
    }
    bool connected = false;
    bool noSocketShown = false;
    for (addrinfo* address = addresses.head; address && !connected && !cancelled_;
         address = address->ai_next) {
        fd_ = ::socket(address->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd_ < 0) {
            failureReason_ = std::strerror(errno);
            if (!noSocketShown) {
                noSocketShown = true;
                messageBox(net_texts::kNoSocket);
            }
            continue;
        }
        connected = connectTo(*address);
        if (!connected) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    if (!connected) {
        if (cancelled_) {
            failureReason_ = "aborted";
        }
        return false;
    }
    return !useTls || handshake(host);
}

bool Link::connectTo(const addrinfo& address) {
    if (::connect(fd_, address.ai_addr, address.ai_addrlen) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        failureReason_ = std::strerror(errno);
        return false;
    }
    if (waitUntil(POLLOUT) == Readiness::Cancelled) {
        return false;
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

bool Link::handshake(const std::string& host) {
    tls_ = TlsSession::create(fd_, host, failureReason_);
    if (!tls_) {
        return false;
    }
    for (;;) {
        switch (tls_->handshake(failureReason_)) {
        case TlsSession::Step::Done:
            return true;
        case TlsSession::Step::WantRead:
            if (waitUntil(POLLIN) == Readiness::Cancelled) {
                failureReason_ = "aborted";
                return false;
            }
            break;
        case TlsSession::Step::WantWrite:
            if (waitUntil(POLLOUT) == Readiness::Cancelled) {
                failureReason_ = "aborted";
                return false;
            }
            break;
        case TlsSession::Step::Closed:
            failureReason_ = "connection closed during TLS hand-shake";
            return false;
        case TlsSession::Step::Failed:
            return false;
        }
    }
}

std::size_t Link::readSome(char* buffer, std::size_t capacity) {
    for (;;) {
        if (cancelled_ || fd_ < 0) {
            return 0;
        }
        if (tls_) {
            std::unique_lock lock(tlsMutex_);
            if (!tls_->hasBufferedBytes()) {
                lock.unlock();
                if (waitUntil(POLLIN) == Readiness::Cancelled) {
                    return 0;
                }
                lock.lock();
            }
            std::size_t got = 0;
            TlsSession::Step step = tls_->read(buffer, capacity, got);
            if (step == TlsSession::Step::Done) {
                return got;
            }
            if (step != TlsSession::Step::WantRead && step != TlsSession::Step::WantWrite) {
                return 0;
            }
            continue;
        }
        ssize_t got = ::recv(fd_, buffer, capacity, 0);
        if (got > 0) {
            return static_cast<std::size_t>(got);
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return 0;
        }
        if (waitUntil(POLLIN) == Readiness::Cancelled) {
            return 0;
        }
    }
}

void Link::writeAll(std::string_view bytes) {
    if (fd_ < 0 || cancelled_) {
        return;
    }
    if (tls_) {
        writeTls(bytes);
    } else {
        writePlain(bytes);
    }
}

void Link::writePlain(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (waitUntil(POLLOUT) == Readiness::Cancelled) {
                return;
            }
        } else {
            return;
        }
    }
}

void Link::writeTls(std::string_view bytes) {
    std::lock_guard lock(tlsMutex_);
    while (!bytes.empty()) {
        std::size_t written = 0;
        switch (tls_->write(bytes.data(), bytes.size(), written)) {
        case TlsSession::Step::Done:
            bytes.remove_prefix(written);
            break;
        case TlsSession::Step::WantRead:
            if (waitUntil(POLLIN) == Readiness::Cancelled) {
                return;
            }
            break;
        case TlsSession::Step::WantWrite:
            if (waitUntil(POLLOUT) == Readiness::Cancelled) {
                return;
            }
            break;
        default:
            return;
        }
    }
}

void Link::notifyClose() {
    if (tls_ && fd_ >= 0 && !cancelled_) {
        std::lock_guard lock(tlsMutex_);
        tls_->notifyClose();
    }
}

} // namespace ombrix
