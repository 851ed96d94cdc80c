#pragma once
// The client side of TLS over an already connected socket, blocking or not.
// All certificate set-up and verification of the program lives behind this
// class.

#include "net/certificate_facts.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ombrix {

class TlsSession {
public:
    // What a non-blocking step needs next.
    enum class Step { Done, WantRead, WantWrite, Closed, Failed };

    // A session for `host` on `fd`: the server certificate must chain to the
    // system trust store (SSL_CERT_FILE / SSL_CERT_DIR honoured) and name
    // `host`, or else be the `pinned` one (the user accepted it) with no fault
    // beyond those its pin accepted; TLS 1.2 or newer; SNI is sent for names. A
    // session the server gave an earlier connect to `host` and `port` on the
    // same terms is offered for resumption. Null with `reason` set when the
    // library refuses to set it up.
    static std::unique_ptr<TlsSession> create(int fd, const std::string& host, std::uint16_t port,
                                              const AcceptedCertificate& pinned,
                                              std::string& reason);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // One step of the hand-shake; on Failed, `reason` says why (for example a
    // certificate that does not verify).
    Step handshake(std::string& reason);
    // After a failed hand-shake: the server's certificate when it was refused
    // (it did not verify and was not the pinned one, or showed a fault its pin
    // did not accept), else nothing.
    std::optional<CertificateFacts> refusedCertificate() const;
    // After the hand-shake: whether it resumed an earlier session.
    bool resumed() const;
    // With `wait` false the socket is never waited on, even when it blocks:
    // WantRead (WantWrite) then means that nothing can be read (written) yet.
    // With `wait` true a blocking socket waits as long as its own time-outs say.
    Step read(char* buffer, std::size_t capacity, std::size_t& got, bool wait);
    Step write(const char* data, std::size_t length, std::size_t& written, bool wait);
    // Sends the close notification once, without waiting for the answer.
    void notifyClose();

private:
    struct Handles;
    explicit TlsSession(std::unique_ptr<Handles> handles);
    Step classify(int result, std::string* reason);
    bool verifyResumed(std::string& reason);
    std::unique_ptr<Handles> handles_;
};

} // namespace ombrix
