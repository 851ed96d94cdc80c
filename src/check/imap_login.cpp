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

LoginResult failed(const CMailSocket& socket, std::string text) {
    return {socket.aborted() ? LoginStatus::Aborted : LoginStatus::Failed, std::move(text)};
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
    if (reply.refusalReport() == RefusalReport::RunFlag)
        return imapReplyRefusal(reply.text());
    if (reply.text().empty())
        return check_texts::noResponse();
    return reply.refused() ? std::string(reply.text()) : std::string();
}

ImapServer imapServerOf(const AccountRecord& account) {
    return {account.host, account.port, account.useSsl != 0, account.user, account.password};
}

LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                      const ImapLoginSteps& steps) {
    return imapLogin(socket, reply, imapServerOf(account), steps);
}

LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const ImapServer& server,
                      const ImapLoginSteps& steps) {
    if (!credentialsSendable(server.user, server.password))
        return {LoginStatus::Failed, check_texts::lineBreakInCredentials()};
    if (!socket.ConnectImap(server.host, server.useSsl, server.port, steps.timeoutMs))
        return failed(socket, connectFailureText(socket));
    reply.receiveTagged(socket, steps.timeoutMs, kGreetingHint, false);
    std::string refusal = imapReplyRefusal(reply);
    if (!refusal.empty() || socket.aborted())
        return failed(socket, refusal.empty() ? check_texts::noResponse() : std::move(refusal));

    socket.SendTagged("LOGIN " + imapAstring(server.user) + " " + imapAstring(server.password) +
                      "\r\n");
    reply.receiveTagged(socket, steps.timeoutMs, kLoginHint, true);
    refusal = imapReplyRefusal(reply);
    if (!refusal.empty() || socket.aborted())
        return failed(socket, refusal.empty() ? check_texts::noResponse() : std::move(refusal));
    return {LoginStatus::LoggedIn, {}};
}

} // namespace ombrix
