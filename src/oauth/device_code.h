#pragma once
// The device authorization endpoint's answer (RFC 8628, section 3.2): the
// code the program polls with, and what the user is shown: the code to type
// and the address to type it at.

#include "oauth/http_client.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ombrix::oauth {

inline constexpr std::int64_t kDefaultPollSeconds = 5;
inline constexpr std::int64_t kLongestDeviceWait = 30 * 60;

struct DeviceCode {
    std::string deviceCode;
    std::string userCode;
    std::string verificationUri;
    std::int64_t expiresIn = 900;
    std::int64_t interval = kDefaultPollSeconds;
};

struct DeviceCodeReply {
    std::optional<DeviceCode> code;
    std::string failure; // for the user, without a code
};

DeviceCodeReply readDeviceCodeReply(const HttpOutcome& answer);

} // namespace ombrix::oauth
