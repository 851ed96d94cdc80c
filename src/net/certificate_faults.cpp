#include "net/certificate_faults.h"

#include <charconv>
#include <openssl/x509_vfy.h>

namespace ombrix {
namespace {

constexpr std::string_view kOtherPrefix = "x509-";
// Beyond every error code the library has today.
constexpr int kHighestCode = 200;

bool isFaultName(std::string_view name) {
    for (const char* known : {kFaultSelfSigned, kFaultUnknownIssuer, kFaultNameMismatch,
                              kFaultExpired, kFaultNotYetValid})
        if (name == known)
            return true;
    if (!name.starts_with(kOtherPrefix))
        return false;
    name.remove_prefix(kOtherPrefix.size());
    int code = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code);
    return error == std::errc() && end == name.data() + name.size() && code > 0;
}

} // namespace

std::string certificateFault(int verifyError) {
    switch (verifyError) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return kFaultSelfSigned;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return kFaultUnknownIssuer;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return kFaultNameMismatch;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return kFaultExpired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return kFaultNotYetValid;
    default:
        return std::string(kOtherPrefix) + std::to_string(verifyError);
    }
}

std::string faultOfReason(std::string_view reason) {
    // What the library says for a code it does not know: no fault by itself.
    const std::string_view unknown = X509_verify_cert_error_string(-1);
    if (reason.empty() || reason == unknown)
        return {};
    for (int code = 1; code <= kHighestCode; ++code)
        if (reason == X509_verify_cert_error_string(code))
            return certificateFault(code);
    return {};
}

std::string faultsText(const CertificateFaults& faults) {
    std::string text;
    for (const std::string& fault : faults)
        text += (text.empty() ? "" : ",") + fault;
    return text;
}

std::optional<CertificateFaults> parseFaults(std::string_view text) {
    CertificateFaults faults;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(','), text.size());
        const std::string_view name = text.substr(0, end);
        if (!isFaultName(name))
            return std::nullopt;
        faults.emplace(name);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return faults;
}

} // namespace ombrix
