#include "delete/pop3_deletion.h"

#include "delete/delete_handover.h"
#include "delete/delete_texts.h"
#include "delete/pop3_replies.h"
#include "proto/pop3_login.h"
#include "proto/session_texts.h"

namespace ombrix {

namespace {

constexpr std::uint32_t kGreetingSize = 1000;
constexpr std::uint32_t kShortReplySize = 200;

bool login(DeletionSession& s) {
    Pop3LoginSteps steps;
    steps.timeoutMs = s.timeouts.replyMs;
    steps.greetingSize = kGreetingSize;
    LoginResult result = pop3Login(s.socket, s.reply, s.account, steps);
    // An abort while connecting or logging in cuts a receive short: that is a
    // failure here, as a missing reply is.
    if (!result.loggedIn())
        s.fail(std::move(result.errorText));
    return result.loggedIn();
}

// True when the session answers STAT with "+OK"; the message count goes to
// `count`. Any other reply fails the deletion with the server's text: ended
// quietly, it deleted nothing and still counted as done.
bool stat(DeletionSession& s, std::uint64_t& count) {
    const std::string_view reply =
        pop3Command(s, "STAT\r\n", s.timeouts.replyMs, kShortReplySize, true, false);
    std::string refusal = pop3Refusal(s.reply);
    if (!refusal.empty()) {
        s.fail(std::move(refusal));
        return false;
    }
    count = pop3StatCount(reply);
    return true;
}

// One DELE; false when the phase must stop (abort, failure).
bool deleteMail(DeletionSession& s, const std::string& number) {
    std::string answer(pop3Command(s, "DELE " + number + "\r\n", s.timeouts.replyMs,
                                   kShortReplySize, true, false));
    if (s.aborted())
        return false;
    if (answer.empty()) {
        s.fail(session_texts::noResponse());
        return false;
    }
    if (!answer.starts_with("+OK")) {
        // Perhaps the rest of an earlier reply: the answer to DELE may follow.
        const std::string_view second =
            s.reply.receiveReply(s.socket, s.timeouts.deleRetryMs, kShortReplySize, true, false);
        if (s.aborted())
            return false;
        if (!second.empty())
            answer = second;
    }
    // Only "+OK" marks the mail; a garbled answer counted as one made a
    // deletion that removed nothing report success.
    if (!answer.starts_with("+OK")) {
        s.fail(answer.substr(0, answer.find('\n')));
        return false;
    }
    return true;
}

// Marked mails stay marked when the phase stops: QUIT removes them. Returns
// how many were marked.
int deleteMails(DeletionSession& s) {
    const int count = static_cast<int>(s.request.mailIndex.size());
    for (int i = 0; i < count; ++i) {
        if (s.aborted())
            return i;
        const int k = s.request.mailIndex[i];
        s.progress.text(delete_texts::deletingMail(s.account.mails.subject(k)));
        s.progress.position(i);
        if (!deleteMail(s, pop3MessageNumber(s.request.position[i])))
            return i;
    }
    return count;
}

// The server removes the marked mails only when it accepts QUIT (RFC 1939).
void quit(DeletionSession& s, bool marked) {
    const std::string_view reply =
        pop3Command(s, "QUIT\r\n", s.timeouts.replyMs, kShortReplySize, true, false);
    if (marked && !reply.starts_with("+OK"))
        s.leaveUnconfirmed(reply);
}

} // namespace

std::string_view pop3Command(DeletionSession& session, const std::string& line,
                             std::uint32_t timeoutMs, std::uint32_t expectedSize, bool singleLine,
                             bool dotList) {
    session.socket.SendLine(line);
    return session.reply.receiveReply(session.socket, timeoutMs, expectedSize, singleLine, dotList);
}

// Message numbers stay fixed within one session while mails are marked, so
// the numbers verified are the numbers deleted.
void runPop3Deletion(DeletionSession& s) {
    std::uint64_t count = 0;
    int marked = 0;
    if (login(s) && stat(s, count) && verifyPop3Mails(s, count))
        marked = deleteMails(s);
    quit(s, marked > 0);
    s.socket.Close();
}

} // namespace ombrix
