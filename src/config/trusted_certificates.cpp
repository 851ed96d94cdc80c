#include "config/trusted_certificates.h"

#include "platform/ascii.h"
#include "platform/text_file.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace ombrix {
namespace {

constexpr char kSeparator = '\t';
constexpr std::size_t kFields = 5;
constexpr std::size_t kFieldsWithoutFaults = 4;

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t end = line.find(kSeparator);
        parts.push_back(line.substr(0, end));
        if (end == std::string_view::npos)
            return parts;
        line.remove_prefix(end + 1);
    }
}

// "host:port" with a port of 1..65535; the host is whatever precedes the
// last colon (an IPv6 address has colons of its own).
bool isPeer(std::string_view peer) {
    const std::size_t colon = peer.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    const std::string_view port = peer.substr(colon + 1);
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    return error == std::errc() && end == port.data() + port.size() && number >= 1 &&
           number <= 65535;
}

bool hasControl(std::string_view text) {
    return std::ranges::any_of(text, [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// A field is one line without separators: whatever a library said goes in blanked.
std::string fieldText(std::string_view text) {
    std::string field(text);
    std::ranges::replace_if(
        field, [](unsigned char c) { return c < 0x20 || c == 0x7F; }, ' ');
    return field;
}

std::optional<CertificateFaults> acceptedFaults(const std::vector<std::string_view>& parts) {
    if (parts.size() == kFields)
        return parseFaults(parts[4]);
    CertificateFaults faults;
    if (std::string fault = faultOfReason(parts[2]); !fault.empty())
        faults.insert(std::move(fault));
    return faults;
}

std::error_code saveAll(const std::string& directory) {
    return replaceFile(trustedCertificatesPath(directory),
                       serializeTrustedCertificates(certificateTrust().pins()),
                       std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

} // namespace

std::filesystem::path trustedCertificatesPath(const std::string& directory) {
    return std::filesystem::path(directory) / kTrustedCertificatesName;
}

std::vector<CertificatePin> parseTrustedCertificates(std::string_view text) {
    std::vector<CertificatePin> pins;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::vector<std::string_view> parts = fields(line);
        if ((parts.size() != kFields && parts.size() != kFieldsWithoutFaults) ||
            !isPeer(parts[0]) || std::ranges::any_of(parts, hasControl))
            continue;
        const std::string sha256 = asciiUppercase(parts[1]);
        if (!isSha256Fingerprint(sha256))
            continue;
        std::optional<CertificateFaults> faults = acceptedFaults(parts);
        if (!faults)
            continue;
        const std::string peer = asciiLowercase(parts[0]);
        std::erase_if(pins, [&](const CertificatePin& pin) { return pin.peer == peer; });
        pins.push_back(
            {peer, sha256, std::string(parts[2]), std::string(parts[3]), std::move(*faults)});
    }
    return pins;
}

std::string serializeTrustedCertificates(const std::vector<CertificatePin>& pins) {
    std::string text;
    for (const CertificatePin& pin : pins)
        text += fieldText(pin.peer) + kSeparator + fieldText(pin.sha256) + kSeparator +
                fieldText(pin.reason) + kSeparator + fieldText(pin.date) + kSeparator +
                fieldText(faultsText(pin.faults)) + '\n';
    return text;
}

void loadTrustedCertificates(const std::string& directory) {
    const auto bytes = readFileBytes(trustedCertificatesPath(directory));
    certificateTrust().setPins(bytes ? parseTrustedCertificates(*bytes)
                                     : std::vector<CertificatePin>());
}

std::error_code pinCertificate(const std::string& directory, const std::string& peer,
                               const CertificateFacts& facts) {
    certificateTrust().pin({peer, facts.sha256, facts.reason, today(), facts.faults});
    return saveAll(directory);
}

std::error_code forgetPin(const std::string& directory, const std::string& peer, bool& forgotten) {
    forgotten = certificateTrust().forget(peer);
    return forgotten ? saveAll(directory) : std::error_code();
}

} // namespace ombrix
