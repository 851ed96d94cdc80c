#include "proto/pop3_login.h"

#include "core/run_flags.h"
#include "net/mail_socket.h"
#include "proto/bearer_sign_in.h"
#include "proto/pop3_sasl.h"
#include "proto/session_texts.h"

#include <string>

namespace ombrix {

namespace {

LoginResult failed(std::string text) {
    return {abortRequest != 0 ? LoginStatus::Aborted : LoginStatus::Failed, std::move(text)};
}

// Sends one login command, then does `meanwhile` (when given) before it
// reads the answer; an empty text means the server accepted it.
std::string commandRefusal(CMailSocket& socket, ReplyBuffer& reply, const std::string& command,
                           std::uint32_t timeoutMs, const std::function<void()>& meanwhile = {}) {
    socket.SendLine(command);
    if (meanwhile)
        meanwhile();
    reply.receiveReply(socket, timeoutMs, kPop3StatusLineSize, true, false);
    return pop3Refusal(reply);
}

} // namespace

std::string pop3Refusal(const ReplyBuffer& reply) {
    const std::string_view answer = reply.text();
    if (answer.empty() || !reply.complete())
        return session_texts::noResponse();
    if (!answer.starts_with("+OK"))
        return std::string(answer.substr(0, answer.find('\n')));
    return {};
}

namespace {

// Connects and takes the greeting, which must be "+OK"; LoggedIn here means greeted.
LoginResult pop3Greeted(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                        const Pop3LoginSteps& steps) {
    if (!socket.ConnectPop3(account.host, account.useSsl != 0, account.port, steps.timeoutMs))
        return failed(connectFailureText(socket));
    // A late greeting, taken for the answer to USER, would shift every later
    // reply by one: nothing is sent before the server has said "+OK".
    reply.receiveReply(socket, steps.timeoutMs, steps.greetingSize, true, false);
    if (abortRequest != 0)
        return failed(session_texts::noResponse());
    std::string refusal = pop3Refusal(reply);
    if (!refusal.empty())
        return failed(std::move(refusal));
    return {LoginStatus::LoggedIn, {}};
}

LoginResult pop3BearerLogin(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                            const Pop3LoginSteps& steps) {
    if (!bearerUserSendable(account.user))
        return {LoginStatus::Failed, session_texts::lineBreakInCredentials()};
    const BearerTarget target{account.user, account.host, account.port};
    return signInWithToken(
        tokenAccountOf(account),
        [&](const std::string& token) -> BearerAttempt {
            socket.Close(); // a refused attempt's connection, which the server may have ended
            if (LoginResult greeting = pop3Greeted(socket, reply, account, steps);
                !greeting.loggedIn())
                return {std::move(greeting), false};
            BearerAttempt attempt =
                pop3Authenticate(socket, reply, target, token, steps.timeoutMs, steps.userAccepted);
            if (abortRequest != 0 && !attempt.result.loggedIn())
                attempt = {{LoginStatus::Aborted, std::move(attempt.result.errorText)}, false};
            return attempt;
        },
        socket.abortFlag());
}

} // namespace

LoginResult pop3Login(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                      const Pop3LoginSteps& steps) {
    if (signsInWithOAuth(account))
        return pop3BearerLogin(socket, reply, account, steps);
    if (!credentialsSendable(account))
        return {LoginStatus::Failed, session_texts::lineBreakInCredentials()};
    if (LoginResult greeting = pop3Greeted(socket, reply, account, steps); !greeting.loggedIn())
        return greeting;

    std::string refusal =
        commandRefusal(socket, reply, "USER " + account.user + "\r\n", steps.timeoutMs);
    if (!refusal.empty())
        return failed(std::move(refusal));
    if (steps.userAccepted)
        steps.userAccepted();
    refusal = commandRefusal(socket, reply, "PASS " + account.password + "\r\n", steps.timeoutMs,
                             steps.passwordSent);
    if (!refusal.empty())
        return failed(std::move(refusal));
    return {LoginStatus::LoggedIn, {}};
}

} // namespace ombrix
