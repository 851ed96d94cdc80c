#include "oauth/device_code.h"

#include "oauth/json_object.h"
#include "oauth/oauth_texts.h"
#include "oauth/provider_words.h"
#include "oauth/url_text.h"

#include <algorithm>

namespace ombrix::oauth {
namespace {

constexpr std::size_t kMaxShownBytes = 2048;

DeviceCodeReply failedReply(std::string failure) {
    DeviceCodeReply reply;
    reply.failure = std::move(failure);
    return reply;
}

// The user code and the address go before the user as they stand (in a
// terminal too): nothing that could move the cursor or hide a line.
bool showable(const std::string& text) {
    return !text.empty() && text.size() <= kMaxShownBytes && withoutControls(text);
}

} // namespace

DeviceCodeReply readDeviceCodeReply(const HttpOutcome& answer) {
    if (!answer.answered)
        return failedReply(oauth_texts::tokenEndpointFailed(answer.failure));
    const std::optional<JsonObject> json = JsonObject::parse(answer.response.body);
    if (json && json->text("error"))
        return failedReply(oauth_texts::tokenEndpointRefused(
            providerReason(*json->text("error"), json->text("error_description"))));
    DeviceCode code;
    if (json) {
        code.deviceCode = json->text("device_code").value_or("");
        code.userCode = json->text("user_code").value_or("");
        // RFC 8628 says verification_uri; early drafts (and some servers) verification_url.
        code.verificationUri =
            json->text("verification_uri").value_or(json->text("verification_url").value_or(""));
        code.expiresIn = std::clamp<std::int64_t>(json->number("expires_in").value_or(900), 1,
                                                  kLongestDeviceWait);
        // RFC 8628 gives 5 s where the server names no interval; one of 0
        // (or less) would poll as fast as the network answers.
        const std::int64_t interval = json->number("interval").value_or(kDefaultPollSeconds);
        code.interval = interval <= 0 ? kDefaultPollSeconds : std::min<std::int64_t>(interval, 60);
    }
    if (code.deviceCode.empty() || !showable(code.userCode) || !showable(code.verificationUri) ||
        !parseUrl(code.verificationUri))
        return failedReply(oauth_texts::tokenEndpointFailed(
            "HTTP " + std::to_string(answer.response.status) + ", no device code"));
    DeviceCodeReply reply;
    reply.code = std::move(code);
    return reply;
}

} // namespace ombrix::oauth
