#pragma once
// The certificates the user accepted although they do not verify (pins), and
// the certificates that were refused most recently, both by server and port.
// Connects on worker threads read the pins and report refusals; the window or
// the command line reads the refusals and adds pins. Every member locks.

#include "net/certificate_facts.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ombrix {

// One accepted certificate: the server as "host:port", its SHA-256
// fingerprint, why it did not verify when the user accepted it, the day
// ("YYYY-MM-DD"), and the faults the user accepted: a fault beyond them
// refuses the certificate again.
struct CertificatePin {
    std::string peer;
    std::string sha256;
    std::string reason;
    std::string date;
    CertificateFaults faults = {};

    bool operator==(const CertificatePin&) const = default;
};

// "host:port" with the host in lower case, as pins are keyed: host names do
// not depend on case, and one server has one pin however it was typed.
std::string peerName(const std::string& host, std::uint16_t port);
// The same for a port as an account stores it (decimal text, read up to the
// first byte that is no digit, as the connect reads it); "" for no valid port.
std::string peerName(const std::string& host, const std::string& port);

class CertificateTrust {
public:
    // The pinned fingerprint of the peer, "" when there is none.
    std::string pinFor(const std::string& peer) const;
    bool isPinned(const std::string& peer) const { return !pinFor(peer).empty(); }
    AcceptedCertificate acceptedFor(const std::string& peer) const;
    // The peer's pin, when it has one.
    std::optional<CertificatePin> pinOf(const std::string& peer) const;
    // Removes the peer's pin; false when there was none.
    bool forget(const std::string& peer);
    std::vector<CertificatePin> pins() const;
    // Replaces every pin (a loaded file).
    void setPins(std::vector<CertificatePin> pins);
    // Adds the pin, or replaces the peer's old one.
    void pin(CertificatePin pin);

    // The certificate that the peer presented and that was refused, kept
    // until a connect to the peer succeeds or the certificate is pinned.
    void recordRefusal(const std::string& peer, CertificateFacts facts);
    void forgetRefusal(const std::string& peer);
    std::optional<CertificateFacts> refusal(const std::string& peer) const;

    // Back to a fresh process: no pins, no refusals.
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<CertificatePin> pins_;
    std::map<std::string, CertificateFacts> refusals_;
};

// The one store of this process.
CertificateTrust& certificateTrust();

} // namespace ombrix
