#pragma once
// What the user is shown about a server certificate that did not verify:
// enough to compare it with what the server's administrator publishes.

#include "net/certificate_faults.h"

#include <span>
#include <string>

namespace ombrix {

struct CertificateFacts {
    std::string subject;   // one line, RFC 2253 ("CN=mail.example.org,O=Example")
    std::string issuer;    // the same for the issuer
    std::string notBefore; // "2026-12-09 10:41:51 UTC"
    std::string notAfter;
    std::string sha256;       // of the DER certificate, fingerprintText()
    std::string reason;       // why it did not verify, as the TLS library says it
    std::string pinnedSha256; // the accepted certificate it replaced; "" when none was pinned
    CertificateFaults faults; // every fault the verification found
    // When this very certificate is pinned: the faults its pin did not accept.
    CertificateFaults newFaults;

    bool replacesPin() const { return !pinnedSha256.empty(); }
    bool widensPin() const { return !newFaults.empty(); }
};

// Upper-case hex pairs joined by colons ("0A:FF:3C"), as certificate viewers
// show fingerprints.
std::string fingerprintText(std::span<const unsigned char> digest);

// True for 32 colon-separated hex pairs; lower-case digits count as well.
bool isSha256Fingerprint(const std::string& text);

} // namespace ombrix
