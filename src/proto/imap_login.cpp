#include "proto/imap_login.h"

#include "core/run_flags.h"
#include "net/mail_socket.h"
#include "proto/bearer_sign_in.h"
#include "proto/imap_sasl.h"
#include "proto/session_texts.h"

namespace ombrix {

namespace {

constexpr std::uint32_t kGreetingHint = 400;
constexpr std::uint32_t kLoginHint = 200;

bool isAtomChar(unsigned char c) {
    if (c <= 0x20 || c >= 0x7f)
        return false;
    return std::string_view("(){%*\"\\]").find(static_cast<char>(c)) == std::string_view::npos;
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
        return session_texts::noResponse();
    if (imapRefused != 0) {
        imapRefused = 0;
        return std::string(reply);
    }
    return {};
}

std::string imapReplyRefusal(const ReplyBuffer& reply) {
    if (!reply.complete())
        return session_texts::noResponse();
    if (reply.refusalReport() == RefusalReport::RunFlag)
        return imapReplyRefusal(reply.text());
    if (reply.text().empty())
        return session_texts::noResponse();
    return reply.refused() ? std::string(reply.text()) : std::string();
}

ImapServer imapServerOf(const AccountRecord& account) {
    ImapServer server{account.host, account.port,     account.useSsl != 0,
                      account.user, account.password, std::nullopt};
    if (signsInWithOAuth(account)) {
        server.password.clear(); // unused: a stale one must not make two servers of one
        server.oauth = tokenAccountOf(account);
    }
    return server;
}

LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                      const ImapLoginSteps& steps) {
    return imapLogin(socket, reply, imapServerOf(account), steps);
}

namespace {

// Connects and reads the greeting; LoggedIn here means greeted.
LoginResult imapGreeted(CMailSocket& socket, ReplyBuffer& reply, const ImapServer& server,
                        const ImapLoginSteps& steps) {
    if (!socket.ConnectImap(server.host, server.useSsl, server.port, steps.timeoutMs))
        return failedLogin(socket, connectFailureText(socket));
    reply.receiveTagged(socket, steps.timeoutMs, kGreetingHint, false);
    std::string refusal = imapReplyRefusal(reply);
    if (!refusal.empty() || socket.aborted())
        return failedLogin(socket,
                           refusal.empty() ? session_texts::noResponse() : std::move(refusal));
    return {LoginStatus::LoggedIn, {}};
}

LoginResult imapBearerLogin(CMailSocket& socket, ReplyBuffer& reply, const ImapServer& server,
                            const ImapLoginSteps& steps) {
    if (!bearerUserSendable(server.user))
        return {LoginStatus::Failed, session_texts::lineBreakInCredentials()};
    const BearerTarget target{server.user, server.host, server.port};
    return signInWithToken(
        *server.oauth,
        [&](const std::string& token) -> BearerAttempt {
            socket.Close(); // a refused attempt's connection, which the server may have ended
            if (LoginResult greeting = imapGreeted(socket, reply, server, steps);
                !greeting.loggedIn())
                return {std::move(greeting), false};
            return imapAuthenticate(socket, reply, target, token, steps.timeoutMs);
        },
        socket.abortFlag());
}

} // namespace

LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const ImapServer& server,
                      const ImapLoginSteps& steps) {
    if (server.oauth)
        return imapBearerLogin(socket, reply, server, steps);
    if (!credentialsSendable(server.user, server.password))
        return {LoginStatus::Failed, session_texts::lineBreakInCredentials()};
    if (LoginResult greeting = imapGreeted(socket, reply, server, steps); !greeting.loggedIn())
        return greeting;

    socket.SendTagged("LOGIN " + imapAstring(server.user) + " " + imapAstring(server.password) +
                      "\r\n");
    reply.receiveTagged(socket, steps.timeoutMs, kLoginHint, true);
    const std::string refusal = imapReplyRefusal(reply);
    if (!refusal.empty() || socket.aborted())
        return failedLogin(socket, refusal.empty() ? session_texts::noResponse() : refusal);
    return {LoginStatus::LoggedIn, {}};
}

} // namespace ombrix
