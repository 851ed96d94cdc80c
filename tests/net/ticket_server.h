#pragma once
// A TLS server on 127.0.0.1 (port 0) for session resumption: each connection
// is served with the certificate and the session-ticket key the test names
// for it, so that servers on two ports, or one server before and after its
// certificate changed, resume each other's sessions when they share a key.
// Whether a connect resumes is then the client's own choice of what it
// offers. A served connection gets its hand-shake, one greeting line and
// then waits for the client to close.

#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <array>
#include <csignal>
#include <cstdint>
#include <future>
#include <netinet/in.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix::test {

// Names, signs and encrypts the tickets a server hands out (16 + 32 + 32 bytes).
using TicketKey = std::array<unsigned char, 80>;

inline TicketKey freshTicketKey() {
    TicketKey key{};
    if (RAND_bytes(key.data(), static_cast<int>(key.size())) != 1) {
        throw std::runtime_error("no random bytes for a ticket key");
    }
    return key;
}

// How a served connection's hand-shake went, as the server saw it.
enum class Visit { NoClient, Refused, Full, Resumed };

inline const char* visitName(Visit visit) {
    switch (visit) {
    case Visit::NoClient:
        return "no client";
    case Visit::Refused:
        return "refused";
    case Visit::Full:
        return "full hand-shake";
    case Visit::Resumed:
        return "resumed";
    }
    return "?";
}

class TicketServer {
public:
    static constexpr const char* kGreeting = "+OK tickets\r\n";

    TicketServer() {
        std::signal(SIGPIPE, SIG_IGN);
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listenFd_ < 0 ||
            ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listenFd_, 4) != 0 ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on the loopback interface");
        }
        port_ = ntohs(address.sin_port);
    }
    ~TicketServer() { ::close(listenFd_); }
    TicketServer(const TicketServer&) = delete;
    TicketServer& operator=(const TicketServer&) = delete;

    std::string port() const { return std::to_string(port_); }

    // Serves the next connection on a thread of its own, in TLS 1.3 unless
    // `maxVersion` is lower (TLS1_2_VERSION: the session comes within the
    // hand-shake, not after it).
    std::future<Visit> serveOne(const TestCertificates& served, const TicketKey& key,
                                int maxVersion = TLS1_3_VERSION) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        TicketKey keyCopy = key;
        if (!context ||
            SSL_CTX_use_certificate_file(context, served.certFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(context, served.keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_set_tlsext_ticket_keys(context, keyCopy.data(), keyCopy.size()) != 1 ||
            SSL_CTX_set_max_proto_version(context, maxVersion) != 1) {
            SSL_CTX_free(context);
            throw std::runtime_error("ticket server: cannot set up its TLS context");
        }
        return std::async(std::launch::async, [this, context] {
            const Visit visit = serve(context);
            SSL_CTX_free(context);
            return visit;
        });
    }

private:
    // Bounds a client that never comes or never closes; a test that reaches
    // it has failed already, this only keeps it from hanging.
    static constexpr int kGuardSeconds = 60;

    Visit serve(SSL_CTX* context) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (::poll(&waiting, 1, kGuardSeconds * 1000) != 1) {
            return Visit::NoClient;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return Visit::NoClient;
        }
        timeval guard{kGuardSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &guard, sizeof guard);
        SSL* ssl = SSL_new(context);
        Visit visit = Visit::Refused;
        if (ssl && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1) {
            visit = SSL_session_reused(ssl) == 1 ? Visit::Resumed : Visit::Full;
            const std::string greeting = kGreeting;
            std::size_t written = 0;
            if (SSL_write_ex(ssl, greeting.data(), greeting.size(), &written) == 1) {
                char buffer[256];
                std::size_t got = 0;
                while (SSL_read_ex(ssl, buffer, sizeof buffer, &got) == 1) {
                }
            }
        }
        SSL_free(ssl);
        ::close(fd);
        return visit;
    }

    int listenFd_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace ombrix::test
