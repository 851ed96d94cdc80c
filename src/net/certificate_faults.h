#pragma once
// Why a certificate does not verify, by kind: a pin remembers which of them
// the user accepted, and a certificate that shows another one is put to the
// user again. The names are those of the trusted-certificates file.

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace ombrix {

using CertificateFaults = std::set<std::string>;

// What a connect accepts besides a certificate that verifies: the pinned
// certificate, with the faults its pin accepted.
struct AcceptedCertificate {
    std::string sha256; // "" for none
    CertificateFaults faults;
};

inline constexpr const char* kFaultSelfSigned = "self-signed";
inline constexpr const char* kFaultUnknownIssuer = "unknown-issuer";
inline constexpr const char* kFaultNameMismatch = "name-mismatch";
inline constexpr const char* kFaultExpired = "expired";
inline constexpr const char* kFaultNotYetValid = "not-yet-valid";

// The fault of one error of the library's verification (X509_V_ERR_...): one
// of the names above, any other error as "x509-" and its number, so that
// accepting one kind never accepts a kind nobody was shown.
std::string certificateFault(int verifyError);

// The fault whose library text is `reason` ("self-signed certificate"); ""
// when no error reads so. Pins written before they kept their faults kept
// the reason the user was shown, and that one fault is what they accepted.
std::string faultOfReason(std::string_view reason);

// "self-signed,name-mismatch"; "" for none.
std::string faultsText(const CertificateFaults& faults);
// The names of faultsText; nothing when one of them is no fault's name.
std::optional<CertificateFaults> parseFaults(std::string_view text);

} // namespace ombrix
