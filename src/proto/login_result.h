#pragma once
// What a login (POP3 or IMAP) tells its run, and the guard that keeps line
// breaks in a user name or password off the wire.

#include "core/account_table.h"

#include <string>
#include <string_view>

namespace ombrix {

class CMailSocket;

enum class LoginStatus {
    LoggedIn,
    Failed,  // errorText says why; the connection may be open (the caller closes it)
    Aborted, // abortRequest cut a connect or a receive short; errorText as for Failed
};

struct LoginResult {
    LoginStatus status = LoginStatus::Failed;
    std::string errorText; // empty after LoggedIn

    bool loggedIn() const { return status == LoginStatus::LoggedIn; }
};

// A failed login's result: Aborted when the socket's abort flag cut it
// short, else Failed; the text either way.
LoginResult failedLogin(const CMailSocket& socket, std::string text);

// False when the user name or the password holds a CR, LF or NUL: such a value
// would end the command early and smuggle a second one to the server.
bool credentialsSendable(const AccountRecord& account);
bool credentialsSendable(std::string_view user, std::string_view password);

// "could not connect to server", with the connection layer's reason appended
// in parentheses ("host not found", a time-out, a refused certificate), so
// that the user can tell a typing error from a dead or hostile server.
std::string connectFailureText(const std::string& reason);

// The text of a failed connect: the one above, or "certificate not trusted"
// with the reason (or that it is not the accepted one) when the server's
// certificate was refused.
std::string connectFailureText(const CMailSocket& socket);

} // namespace ombrix
