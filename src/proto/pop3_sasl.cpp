#include "proto/pop3_sasl.h"

#include "net/mail_socket.h"
#include "platform/ascii.h"
#include "proto/pop3_login.h"
#include "proto/pop3_reply_values.h"
#include "proto/session_texts.h"

#include <optional>

namespace ombrix {

namespace {

// RFC 5034: a client whose AUTH command would exceed this sends the
// initial response after the continuation instead.
constexpr std::size_t kAuthCommandLimit = 255;
// No count ends a CAPA listing: only its terminator does. Ended by count,
// its rest was read as the answer to AUTH.
constexpr std::uint32_t kReadToTerminator = 0;

// The line without its line end, and without the "+" and one blank of a
// continuation.
std::string_view pop3ContinuationPayload(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    line.remove_prefix(1);
    if (line.starts_with(' '))
        line.remove_prefix(1);
    return line;
}

bool isPop3Continuation(std::string_view line) {
    return line.starts_with("+ ") || line.starts_with("+\r") || line == "+";
}

class Pop3Authentication {
public:
    Pop3Authentication(CMailSocket& socket, ReplyBuffer& reply, std::uint32_t timeoutMs)
        : socket_(socket), reply_(reply), timeoutMs_(timeoutMs) {}

    BearerAttempt run(const BearerTarget& target, const std::string& token,
                      const std::function<void()>& chosen) {
        socket_.SendLine("CAPA\r\n");
        reply_.receiveReply(socket_, timeoutMs_, kReadToTerminator, false, true);
        if (socket_.aborted() || !reply_.complete())
            return {failedLogin(socket_, session_texts::noResponse()), false};
        if (!pop3CapaWhole(reply_.text())) // longer than the buffer holds
            return {failedLogin(socket_, session_texts::protocolFault()), false};
        const std::optional<BearerMechanism> mechanism =
            chooseBearerMechanism(pop3SaslMechanisms(reply_.text()));
        if (!mechanism)
            return {{LoginStatus::Failed, session_texts::noOAuthMechanism()}, false};
        if (chosen)
            chosen();
        return authenticate(*mechanism, bearerInitialResponse(*mechanism, target, token));
    }

private:
    std::string_view receiveLine() {
        return reply_.receiveReply(socket_, timeoutMs_, kPop3StatusLineSize, true, false);
    }

    BearerAttempt authenticate(BearerMechanism mechanism, const std::string& response) {
        std::string command = pop3AuthCommand(mechanism, response);
        bool responsePending = command.empty();
        if (responsePending)
            command = "AUTH " + std::string(mechanismName(mechanism));
        socket_.SendLine(command + "\r\n");
        std::string_view line = receiveLine();
        if (responsePending && isPop3Continuation(line) && reply_.complete() &&
            pop3ContinuationPayload(line).empty()) {
            socket_.SendCredentialLine(response + "\r\n");
            line = receiveLine();
        }
        if (isPop3Continuation(line) && reply_.complete())
            return failureChallenge(mechanism);
        return finished();
    }

    // The server refuses and says why in a challenge; its "-ERR" comes only
    // after the client's answer. Whatever the challenge's status, a fresh
    // token may pass.
    BearerAttempt failureChallenge(BearerMechanism mechanism) {
        socket_.SendLine(std::string(bearerFailureAcknowledgement(mechanism)) + "\r\n");
        receiveLine();
        const BearerAttempt attempt = finished();
        if (attempt.result.loggedIn()) // "+OK" after a refusal: no server does that
            return {failedLogin(socket_, session_texts::protocolFault()), false};
        return attempt;
    }

    BearerAttempt finished() {
        if (socket_.aborted())
            return {failedLogin(socket_, session_texts::noResponse()), false};
        std::string refusal = pop3Refusal(reply_);
        if (refusal.empty())
            return {{LoginStatus::LoggedIn, {}}, false};
        if (isPop3Continuation(reply_.text())) // a challenge again: no mechanism here sends one
            refusal = session_texts::protocolFault();
        const bool tokenRefused =
            reply_.complete() && reply_.text().starts_with("-ERR") && !refusalBlamesServer(refusal);
        return {failedLogin(socket_, std::move(refusal)), tokenRefused};
    }

    CMailSocket& socket_;
    ReplyBuffer& reply_;
    std::uint32_t timeoutMs_;
};

} // namespace

bool pop3CapaWhole(std::string_view capaReply) {
    return !capaReply.starts_with("+OK") || capaReply.ends_with("\r\n.\r\n");
}

std::vector<std::string> pop3SaslMechanisms(std::string_view capaReply) {
    std::vector<std::string> mechanisms;
    const std::string_view line = pop3Capability(capaReply, "SASL").value_or("");
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t stop = std::min(line.find(' ', at), line.size());
        if (stop > at)
            mechanisms.emplace_back(line.substr(at, stop - at));
        at = stop + 1;
    }
    return mechanisms;
}

std::string pop3AuthCommand(BearerMechanism mechanism, std::string_view response) {
    std::string command =
        "AUTH " + std::string(mechanismName(mechanism)) + " " + std::string(response);
    return command.size() + 2 <= kAuthCommandLimit ? command : std::string();
}

BearerAttempt pop3Authenticate(CMailSocket& socket, ReplyBuffer& reply, const BearerTarget& target,
                               const std::string& token, std::uint32_t timeoutMs,
                               const std::function<void()>& chosen) {
    return Pop3Authentication(socket, reply, timeoutMs).run(target, token, chosen);
}

} // namespace ombrix
