#include "faults/fault_server.h"

#include "faults/fault_connection.h"

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix::test {
namespace {

constexpr std::size_t kLongLine = 1 << 20;
// Long enough for the first half to arrive alone, far below any time-out.
constexpr int kSplitPauseMs = 30;

bool waitUntilReadable(int fd, int stopFd) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    while (::poll(watched, 2, -1) < 0) {
    }
    return watched[1].revents == 0;
}

} // namespace

FaultServer::FaultServer(ServerTraits traits, std::optional<TestCertificates> tls)
    : traits_(traits) {
    if (tls) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        tlsContext_ =
            std::shared_ptr<void>(context, [](void* c) { SSL_CTX_free(static_cast<SSL_CTX*>(c)); });
        if (!context ||
            SSL_CTX_use_certificate_file(context, tls->certFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(context, tls->keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
            throw std::runtime_error("fault server: cannot load the test certificate");
    }
    listen();
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FaultServer::~FaultServer() {
    std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(stopFd_, &one, sizeof one);
    acceptor_.join();
    for (std::thread& connection : connections_)
        connection.join();
    ::close(listenFd_);
    ::close(stopFd_);
}

void FaultServer::listen() {
    std::signal(SIGPIPE, SIG_IGN);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (stopFd_ < 0 || listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("fault server: cannot listen");
    port_ = ntohs(address.sin_port);
}

void FaultServer::acceptLoop() {
    while (waitUntilReadable(listenFd_, stopFd_)) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void FaultServer::arm(Fault fault) {
    std::lock_guard lock(mutex_);
    fault_ = std::move(fault);
    seen_ = 0;
    fired_ = false;
}

bool FaultServer::fired() const {
    std::lock_guard lock(mutex_);
    return fired_;
}

std::vector<std::string> FaultServer::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

FaultKind FaultServer::strikes(const std::string& command) {
    std::lock_guard lock(mutex_);
    if (fault_.kind == FaultKind::None || !stepMatches(fault_.step, command))
        return FaultKind::None;
    if (++seen_ != fault_.step.occurrence)
        return FaultKind::None;
    fired_ = true;
    return fault_.kind;
}

std::unique_ptr<ProtocolSession> FaultServer::newSession() {
    if (traits_.protocol == Protocol::Pop3)
        return makePop3Session(mailbox_, traits_.pop3Pipelining);
    return makeImapSession(mailbox_, traits_);
}

void FaultServer::serve(int fd) {
    FaultConnection connection(fd, static_cast<SSL_CTX*>(tlsContext_.get()), stopFd_);
    const std::unique_ptr<ProtocolSession> session = newSession();
    // At "connect" a TLS server has not shaken hands yet.
    const FaultKind atConnect = strikes("CONNECT");
    if (atConnect == FaultKind::Close)
        return;
    if (atConnect == FaultKind::Stall) {
        connection.drainUntilClosed();
        return;
    }
    if (atConnect == FaultKind::StopReading) {
        connection.waitForHangUp();
        return;
    }
    bool ends = false;
    if (!connection.handshake() || !reply(connection, *session, {}, strikes("GREETING"), ends))
        return;
    std::string line;
    while (!ends && connection.readLine(line)) {
        const std::string command = session->command(line);
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(command);
        }
        if (!reply(connection, *session, line, strikes(command), ends))
            return;
    }
}

bool FaultServer::reply(FaultConnection& connection, ProtocolSession& session,
                        const std::string& line, FaultKind kind, bool& ends) {
    switch (kind) {
    case FaultKind::Close:
        return false;
    case FaultKind::Stall:
        connection.drainUntilClosed();
        return false;
    case FaultKind::StopReading:
        connection.waitForHangUp();
        return false;
    case FaultKind::Garbage:
        return connection.writeAll("\x01\x02garbage \x7f\xfe without a status\r\n");
    case FaultKind::LongLine:
        connection.writeAll(std::string(kLongLine, 'x'));
        connection.drainUntilClosed();
        return false;
    case FaultKind::Refuse:
    case FaultKind::Bad:
    case FaultKind::BadText:
        // A refused greeting ends the session, as a server that turns the client away.
        return connection.writeAll(session.refusal(line, kind).render()) && !line.empty();
    default:
        break;
    }
    Reply answer = line.empty() ? session.greeting() : session.answer(line, ends);
    return send(connection, answer, kind);
}

bool FaultServer::send(FaultConnection& connection, const Reply& original, FaultKind kind) {
    Reply reply = original;
    switch (kind) {
    case FaultKind::HugeCount:
        reply.hugeCounts();
        break;
    case FaultKind::LyingLiteral:
        reply.lieAboutFirstLiteral();
        break;
    case FaultKind::Nul:
        reply.insertNul();
        break;
    case FaultKind::Reorder:
        reply.reverseListing();
        break;
    case FaultKind::ExtraFetch:
        reply.addFlagUpdates();
        break;
    case FaultKind::Late:
        connection.waitForClient();
        break;
    default:
        break;
    }
    const std::string bytes = reply.render();
    if (kind != FaultKind::Split)
        return connection.writeAll(bytes);
    const std::size_t half = bytes.size() / 2;
    if (!connection.writeAll(std::string_view(bytes).substr(0, half)))
        return false;
    pollfd stop{stopFd_, POLLIN, 0};
    if (::poll(&stop, 1, kSplitPauseMs) > 0)
        return false;
    return connection.writeAll(std::string_view(bytes).substr(half));
}

} // namespace ombrix::test
