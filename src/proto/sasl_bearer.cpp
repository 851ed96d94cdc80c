#include "proto/sasl_bearer.h"

#include "mime/transfer_coders.h"
#include "platform/ascii.h"

#include <algorithm>

namespace ombrix {

namespace {

constexpr char kSeparator = '\x01';

bool offers(const std::vector<std::string>& offered, std::string_view name) {
    return std::ranges::any_of(
        offered, [name](const std::string& item) { return equalsIgnoringCase(item, name); });
}

// RFC 5801 saslname: "," and "=" cannot stand in the GS2 header as they are.
std::string saslName(std::string_view user) {
    std::string name;
    for (const char c : user) {
        if (c == ',')
            name += "=2C";
        else if (c == '=')
            name += "=3D";
        else
            name += c;
    }
    return name;
}

std::string rawResponse(BearerMechanism mechanism, const BearerTarget& target,
                        std::string_view token) {
    const std::string bearer = "auth=Bearer " + std::string(token) + kSeparator + kSeparator;
    if (mechanism == BearerMechanism::XOAuth2)
        return "user=" + std::string(target.user) + kSeparator + bearer;
    return "n,a=" + saslName(target.user) + "," + kSeparator + "host=" + std::string(target.host) +
           kSeparator + "port=" + std::string(target.port) + kSeparator + bearer;
}

// The string value of a top-level member of a flat JSON object; none when
// the text holds no such member with a string value. Escapes are kept as
// they stand: the values compared here never hold any.
std::optional<std::string> jsonString(std::string_view json, std::string_view key) {
    const std::string quoted = "\"" + std::string(key) + "\"";
    std::size_t at = json.find(quoted);
    if (at == std::string_view::npos)
        return std::nullopt;
    at = json.find_first_not_of(" \t\r\n", at + quoted.size());
    if (at == std::string_view::npos || json[at] != ':')
        return std::nullopt;
    at = json.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string_view::npos || json[at] != '"')
        return std::nullopt;
    const std::size_t end = json.find('"', at + 1);
    if (end == std::string_view::npos)
        return std::nullopt;
    return std::string(json.substr(at + 1, end - at - 1));
}

} // namespace

std::string_view mechanismName(BearerMechanism mechanism) {
    return mechanism == BearerMechanism::OAuthBearer ? "OAUTHBEARER" : "XOAUTH2";
}

std::optional<BearerMechanism> chooseBearerMechanism(const std::vector<std::string>& offered) {
    if (offers(offered, "OAUTHBEARER"))
        return BearerMechanism::OAuthBearer;
    if (offers(offered, "XOAUTH2"))
        return BearerMechanism::XOAuth2;
    return std::nullopt;
}

std::string bearerInitialResponse(BearerMechanism mechanism, const BearerTarget& target,
                                  std::string_view token) {
    return base64Encode(rawResponse(mechanism, target, token));
}

std::string_view bearerFailureAcknowledgement(BearerMechanism mechanism) {
    return mechanism == BearerMechanism::OAuthBearer ? "AQ==" : "";
}

bool bearerTokenSendable(std::string_view token) {
    return !token.empty() &&
           std::ranges::all_of(token, [](char c) { return c > 0x20 && c < 0x7f; });
}

bool bearerUserSendable(std::string_view user) {
    return std::ranges::all_of(
        user, [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; });
}

bool BearerChallenge::tokenRefused() const {
    // Dovecot and Google say "401" (Google also "400") for a token that is
    // expired or forged; RFC 7628 names it "invalid_token".
    return status == "401" || status == "400" || status == "invalid_token";
}

bool refusalBlamesServer(std::string_view refusal) {
    constexpr std::string_view kCodes[] = {"[UNAVAILABLE", "[SERVERBUG", "[INUSE", "[SYS/",
                                           "[IN-USE"};
    return std::ranges::any_of(kCodes, [refusal](std::string_view code) {
        return findIgnoringCase(refusal, code) != std::string_view::npos;
    });
}

BearerChallenge decodeBearerChallenge(std::string_view base64) {
    const mime::Base64Coder coder;
    std::string json(coder.decodedLength(base64), '\0');
    json.resize(coder.decode(base64, json.data(), json.size()));
    return {jsonString(json, "status").value_or("")};
}

std::string base64Encode(std::string_view bytes) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < left ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            encoded += k <= left ? kAlphabet[(group >> (18 - 6 * k)) & 0x3f] : '=';
    }
    return encoded;
}

} // namespace ombrix
