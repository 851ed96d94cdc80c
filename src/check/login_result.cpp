#include "check/login_result.h"

#include "check/check_texts.h"

#include <string_view>

namespace ombrix {

namespace {

bool sendable(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

bool credentialsSendable(const AccountRecord& account) {
    return sendable(account.user) && sendable(account.password);
}

std::string connectFailureText(const std::string& reason) {
    std::string text = check_texts::couldNotConnect();
    if (!reason.empty() && reason != "aborted")
        text += " (" + reason + ")";
    return text;
}

} // namespace ombrix
