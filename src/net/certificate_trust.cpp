#include "net/certificate_trust.h"

#include "platform/ascii.h"

#include <algorithm>
#include <cstdlib>

namespace ombrix {

std::string peerName(const std::string& host, std::uint16_t port) {
    return asciiLowercase(host) + ":" + std::to_string(port);
}

std::string peerName(const std::string& host, const std::string& port) {
    const long number = std::strtol(port.c_str(), nullptr, 10);
    if (number < 1 || number > 65535)
        return {};
    return peerName(host, static_cast<std::uint16_t>(number));
}

std::string CertificateTrust::pinFor(const std::string& peer) const {
    const std::lock_guard lock(mutex_);
    const auto found = std::ranges::find(pins_, peer, &CertificatePin::peer);
    return found == pins_.end() ? std::string() : found->sha256;
}

AcceptedCertificate CertificateTrust::acceptedFor(const std::string& peer) const {
    const std::optional<CertificatePin> pin = pinOf(peer);
    return pin ? AcceptedCertificate{pin->sha256, pin->faults} : AcceptedCertificate{};
}

std::optional<CertificatePin> CertificateTrust::pinOf(const std::string& peer) const {
    const std::lock_guard lock(mutex_);
    const auto found = std::ranges::find(pins_, peer, &CertificatePin::peer);
    return found == pins_.end() ? std::nullopt : std::optional(*found);
}

bool CertificateTrust::forget(const std::string& peer) {
    const std::lock_guard lock(mutex_);
    return std::erase_if(pins_, [&peer](const CertificatePin& pin) { return pin.peer == peer; }) >
           0;
}

std::vector<CertificatePin> CertificateTrust::pins() const {
    const std::lock_guard lock(mutex_);
    return pins_;
}

void CertificateTrust::setPins(std::vector<CertificatePin> pins) {
    const std::lock_guard lock(mutex_);
    pins_ = std::move(pins);
}

void CertificateTrust::pin(CertificatePin pin) {
    const std::lock_guard lock(mutex_);
    refusals_.erase(pin.peer);
    const auto found = std::ranges::find(pins_, pin.peer, &CertificatePin::peer);
    if (found == pins_.end())
        pins_.push_back(std::move(pin));
    else
        *found = std::move(pin);
}

void CertificateTrust::recordRefusal(const std::string& peer, CertificateFacts facts) {
    const std::lock_guard lock(mutex_);
    refusals_[peer] = std::move(facts);
}

void CertificateTrust::forgetRefusal(const std::string& peer) {
    const std::lock_guard lock(mutex_);
    refusals_.erase(peer);
}

std::optional<CertificateFacts> CertificateTrust::refusal(const std::string& peer) const {
    const std::lock_guard lock(mutex_);
    const auto found = refusals_.find(peer);
    return found == refusals_.end() ? std::nullopt : std::optional(found->second);
}

void CertificateTrust::clear() {
    const std::lock_guard lock(mutex_);
    pins_.clear();
    refusals_.clear();
}

CertificateTrust& certificateTrust() {
    static CertificateTrust trust;
    return trust;
}

} // namespace ombrix
