#include "check/imap_login.h"

#include "check/check_texts.h"
#include "core/run_flags.h"
#include "net/mail_socket.h"

namespace ombrix {

namespace {

constexpr std::uint32_t kGreetingHint = 400;
constexpr std::uint32_t kLoginHint = 200;

bool isAtomChar(unsigned char c) {
    if (c <= 0x20 || c >= 0x7f)
        return false;
    return std::string_view("(){%*\"\\]").find(static_cast<char>(c)) == std::string_view::npos;
}

LoginResult failed(std::string text) {
    return {abortRequest != 0 ? LoginStatus::Aborted : LoginStatus::Failed, std::move(text)};
}

} // namespace

std::string imapAstring(std::string_view value) {
    bool atom = !value.empty();
    for (const char c : value)
        atom = atom && isAtomChar(static_cast<unsigned char>(c));
    if (atom)
        return std::string(value);
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string imapReplyRefusal(std::string_view reply) {
    if (reply.empty())
        return check_texts::noResponse();
    if (imapRefused != 0) {
        imapRefused = 0;
        return std::string(reply);
    }
    return {};
}

std::string imapReplyRefusal(const ReplyBuffer& reply) {
    if (!reply.complete())
        return check_texts::noResponse();
    return imapReplyRefusal(reply.text());
}

LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                      const ImapLoginSteps& steps) {
    if (!credentialsSendable(account))
        return {LoginStatus::Failed, check_texts::lineBreakInCredentials()};
    if (!socket.ConnectImap(account.host, account.useSsl != 0, account.port, steps.timeoutMs))
        return failed(connectFailureText(socket));
    reply.receiveTagged(socket, steps.timeoutMs, kGreetingHint, false);
    std::string refusal = imapReplyRefusal(reply);
    if (!refusal.empty() || abortRequest != 0)
        return failed(refusal.empty() ? check_texts::noResponse() : std::move(refusal));

    socket.SendTagged("LOGIN " + imapAstring(account.user) + " " + imapAstring(account.password) +
                      "\r\n");
    reply.receiveTagged(socket, steps.timeoutMs, kLoginHint, true);
    refusal = imapReplyRefusal(reply);
    if (!refusal.empty() || abortRequest != 0)
        return failed(refusal.empty() ? check_texts::noResponse() : std::move(refusal));
    return {LoginStatus::LoggedIn, {}};
}

} // namespace ombrix
