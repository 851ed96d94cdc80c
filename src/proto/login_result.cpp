#include "proto/login_result.h"

#include "net/mail_socket.h"
#include "proto/session_texts.h"

#include <string_view>

namespace ombrix {

namespace {

bool sendable(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

LoginResult failedLogin(const CMailSocket& socket, std::string text) {
    return {socket.aborted() ? LoginStatus::Aborted : LoginStatus::Failed, std::move(text)};
}

bool credentialsSendable(const AccountRecord& account) {
    return credentialsSendable(account.user, account.password);
}

bool credentialsSendable(std::string_view user, std::string_view password) {
    return sendable(user) && sendable(password);
}

std::string connectFailureText(const std::string& reason) {
    std::string text = session_texts::couldNotConnect();
    if (!reason.empty() && reason != "aborted")
        text += " (" + reason + ")";
    return text;
}

std::string connectFailureText(const CMailSocket& socket) {
    const auto& refused = socket.refusedCertificate();
    if (!refused)
        return connectFailureText(socket.lastFailureReason());
    const std::string why =
        refused->replacesPin() ? session_texts::certificateChanged() : refused->reason;
    return session_texts::certificateNotTrusted() + " (" + why + ")";
}

} // namespace ombrix
