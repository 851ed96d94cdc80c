#pragma once
// trusted-certificates in the program directory: the server certificates the
// user accepted although they do not verify. One pin a line, four fields
// separated by TAB: "host:port", the SHA-256 fingerprint of the DER
// certificate, why it did not verify when it was accepted, and the day
// ("YYYY-MM-DD"). A line that does not read as a pin is skipped.

#include "net/certificate_trust.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ombrix {

inline constexpr const char* kTrustedCertificatesName = "trusted-certificates";

std::filesystem::path trustedCertificatesPath(const std::string& directory);

// The pins of the text in order; of two lines for one server the later wins.
std::vector<CertificatePin> parseTrustedCertificates(std::string_view text);
std::string serializeTrustedCertificates(const std::vector<CertificatePin>& pins);

// Makes the directory's file the pins of certificateTrust(); a missing or
// unreadable file gives none.
void loadTrustedCertificates(const std::string& directory);

// Pins the certificate of `facts` for the peer, dated today, and saves every
// pin of certificateTrust() to the directory's file (atomic, owner only).
// The pin holds for this process even when the save fails.
std::error_code pinCertificate(const std::string& directory, const std::string& peer,
                               const CertificateFacts& facts);

} // namespace ombrix
