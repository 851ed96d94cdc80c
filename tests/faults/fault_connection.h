#pragma once
// One accepted connection of the fault server, plain or TLS, non-blocking.
// Every wait also watches the server's stop descriptor, so that the server
// ends wherever a connection is.

#include <cstddef>
#include <string>
#include <string_view>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;

namespace ombrix::test {

class FaultConnection {
public:
    FaultConnection(int fd, SSL_CTX* tls, int stopFd);
    ~FaultConnection();
    FaultConnection(const FaultConnection&) = delete;
    FaultConnection& operator=(const FaultConnection&) = delete;

    bool handshake(); // TLS only; true at once for a plain connection
    // One line without CR LF; false when the client closed (or the server stops).
    bool readLine(std::string& line);
    bool writeAll(std::string_view bytes);
    // Reads and drops everything until the client closes.
    void drainUntilClosed();
    // Waits, reading nothing, until the client hangs up.
    void waitForHangUp();
    // Waits until the client sends something or closes.
    void waitForClient();

private:
    std::size_t readSome(char* buffer, std::size_t capacity);
    bool waitFor(short events);
    template <class Call> bool retry(Call call);

    int fd_;
    int stopFd_;
    SSL* ssl_ = nullptr;
    bool tlsUp_ = false;
    std::string pending_;
};

} // namespace ombrix::test
