#pragma once
// trusted-certificates in the program directory: the server certificates the
// user accepted although they do not verify. One pin a line, five fields
// separated by TAB: "host:port", the SHA-256 fingerprint of the DER
// certificate, why it did not verify when it was accepted, the day
// ("YYYY-MM-DD") and the faults accepted ("self-signed,name-mismatch"). A
// line that does not read as a pin is skipped.
//
// Lines of four fields come from before pins kept their faults. Such a pin
// accepts the one fault its reason names: that is what the user was shown
// and accepted. Any other fault (the certificate expired since, or it was
// also misnamed and the old program only named the first fault) is asked
// about once more; a reason that names no fault accepts none. Accepting what
// the certificate shows at its first use after the upgrade would accept
// faults nobody was ever shown.

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

// Removes the peer's pin and saves the rest. False in `forgotten` when the
// peer had none (nothing is written then).
std::error_code forgetPin(const std::string& directory, const std::string& peer, bool& forgotten);

} // namespace ombrix
