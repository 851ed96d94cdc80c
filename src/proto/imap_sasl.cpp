#include "proto/imap_sasl.h"

#include "net/mail_socket.h"
#include "platform/ascii.h"
#include "proto/imap_login.h"
#include "proto/session_texts.h"

#include <algorithm>
#include <optional>

namespace ombrix {

namespace {

constexpr std::uint32_t kCapabilityHint = 400;

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Words separated by blanks, up to the end of the text.
std::vector<std::string> wordsOf(std::string_view text) {
    std::vector<std::string> words;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        if (end > pos)
            words.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

// The capability words of one line (without its line end), if it names any.
std::optional<std::vector<std::string>> lineCapabilities(std::string_view line) {
    if (startsWithIgnoringCase(line, "* CAPABILITY "))
        return wordsOf(line.substr(13));
    const std::size_t code = line.find("[CAPABILITY ");
    if (!line.starts_with("* ") || code == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = code + 12;
    const std::size_t end = line.find(']', start);
    return wordsOf(line.substr(start, end == std::string_view::npos ? end : end - start));
}

// Whether the reply's last line is a tagged NO: a refusal, not a BAD
// command or a connection that ended.
bool taggedNo(std::string_view reply) {
    while (reply.ends_with('\n') || reply.ends_with('\r'))
        reply.remove_suffix(1);
    const std::size_t lineStart = reply.rfind('\n');
    const std::string_view line =
        lineStart == std::string_view::npos ? reply : reply.substr(lineStart + 1);
    const std::size_t blank = line.find(' ');
    return !line.starts_with('*') && blank != std::string_view::npos &&
           startsWithIgnoringCase(line.substr(blank + 1), "NO");
}

class ImapAuthentication {
public:
    ImapAuthentication(CMailSocket& socket, ReplyBuffer& reply, std::uint32_t timeoutMs)
        : socket_(socket), reply_(reply), timeoutMs_(timeoutMs) {}

    BearerAttempt run(const BearerTarget& target, const std::string& token) {
        std::vector<std::string> capabilities = imapCapabilities(reply_.text());
        if (capabilities.empty() && !askCapabilities(capabilities))
            return {failedLogin(socket_, refusalText()), false};
        const std::optional<BearerMechanism> mechanism =
            chooseBearerMechanism(imapAuthMechanisms(capabilities));
        if (!mechanism)
            return {{LoginStatus::Failed, session_texts::noOAuthMechanism()}, false};
        const bool inline_ = std::ranges::any_of(capabilities, [](const std::string& word) {
            return equalsIgnoringCase(word, "SASL-IR");
        });
        return authenticate(*mechanism, inline_, bearerInitialResponse(*mechanism, target, token));
    }

private:
    bool askCapabilities(std::vector<std::string>& capabilities) {
        socket_.SendTagged("CAPABILITY\r\n");
        reply_.receiveTagged(socket_, timeoutMs_, kCapabilityHint, true);
        if (!refusalText().empty() || socket_.aborted())
            return false;
        capabilities = imapCapabilities(reply_.text());
        return true;
    }

    // Empty when the last reply came whole and was not refused.
    std::string refusalText() const { return imapReplyRefusal(reply_); }

    BearerAttempt authenticate(BearerMechanism mechanism, bool inline_,
                               const std::string& response) {
        const std::string command = "AUTHENTICATE " + std::string(mechanismName(mechanism));
        socket_.SendTagged(command + (inline_ ? " " + response : std::string()) + "\r\n");
        reply_.receiveContinuable(socket_, timeoutMs_);
        if (!inline_ && reply_.continued() && reply_.complete()) {
            socket_.SendCredentialLine(response + "\r\n");
            reply_.receiveContinuable(socket_, timeoutMs_);
        }
        if (reply_.continued() && reply_.complete())
            return failureChallenge(mechanism);
        return finished();
    }

    // The server refuses and says why in a challenge; it sends its tagged
    // failure only after the client's answer. Whatever the challenge's
    // status, a fresh token may pass: Microsoft's says nothing useful.
    BearerAttempt failureChallenge(BearerMechanism mechanism) {
        socket_.SendLine(std::string(bearerFailureAcknowledgement(mechanism)) + "\r\n");
        reply_.receiveTagged(socket_, timeoutMs_, kCapabilityHint, true);
        return finished();
    }

    BearerAttempt finished() {
        const bool serverSaidNo = !socket_.aborted() && reply_.complete() && !reply_.continued() &&
                                  taggedNo(reply_.text());
        std::string refusal = socket_.aborted() ? session_texts::noResponse() : refusalText();
        if (refusal.empty() && !reply_.continued())
            return {{LoginStatus::LoggedIn, {}}, false};
        if (refusal.empty()) // a second challenge: no mechanism here sends one
            refusal = session_texts::protocolFault();
        const bool tokenRefused = serverSaidNo && !refusalBlamesServer(refusal);
        return {failedLogin(socket_, std::move(refusal)), tokenRefused};
    }

    CMailSocket& socket_;
    ReplyBuffer& reply_;
    std::uint32_t timeoutMs_;
};

} // namespace

std::vector<std::string> imapCapabilities(std::string_view reply) {
    for (std::size_t pos = 0; pos < reply.size();) {
        const std::size_t end = std::min(reply.find('\n', pos), reply.size());
        std::string_view line = reply.substr(pos, end - pos);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (std::optional<std::vector<std::string>> words = lineCapabilities(line))
            return std::move(*words);
        pos = end + 1;
    }
    return {};
}

std::vector<std::string> imapAuthMechanisms(const std::vector<std::string>& capabilities) {
    std::vector<std::string> mechanisms;
    for (const std::string& word : capabilities)
        if (startsWithIgnoringCase(word, "AUTH="))
            mechanisms.push_back(word.substr(5));
    return mechanisms;
}

BearerAttempt imapAuthenticate(CMailSocket& socket, ReplyBuffer& reply, const BearerTarget& target,
                               const std::string& token, std::uint32_t timeoutMs) {
    return ImapAuthentication(socket, reply, timeoutMs).run(target, token);
}

} // namespace ombrix
