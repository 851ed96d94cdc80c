#include "idle/idle_session.h"

#include "idle/watch_host.h"
#include "net/mail_socket.h"
#include "platform/ascii.h"
#include "platform/event.h"
#include "proto/reply_buffer.h"

#include <algorithm>
#include <vector>

namespace ombrix {
namespace {

// The replies before IDLE are short; a capability list is the longest.
constexpr std::size_t kReplyCapacity = 16384;

// Sends a tagged command and takes its reply; true when it came complete and
// was not refused.
bool command(CMailSocket& socket, ReplyBuffer& reply, std::uint32_t timeoutMs,
             const std::string& text) {
    if (!socket.SendTagged(text + "\r\n"))
        return false;
    reply.receiveTagged(socket, timeoutMs, 0, true);
    return imapReplyRefusal(reply).empty();
}

std::string tagOf(const std::string& taggedLine) {
    return taggedLine.substr(0, taggedLine.find(' '));
}

// Whether the server answered the login itself with a refusal that will not
// pass by itself. UNAVAILABLE (RFC 5530) says a part of the server is down
// for a while: that one is retried as a lost connection is.
bool loginRefused(const ReplyBuffer& reply) {
    return reply.refused() &&
           findIgnoringCase(reply.completionLine(), "[UNAVAILABLE]") == std::string_view::npos;
}

} // namespace

SessionEnd IdleSession::ended(SessionEnd otherwise) {
    endedAt_ = TickCount();
    return abort_ != 0 ? SessionEnd::Stopped : otherwise;
}

SessionEnd IdleSession::run(MailboxMark& mark) {
    CMailSocket socket(abort_);
    socket.setFaultNotice([](const std::string&) {});
    ReplyBuffer reply(kReplyCapacity, RefusalReport::BufferOnly);
    if (!imapLogin(socket, reply, server_, {timings_.replyMs}).loggedIn())
        return ended(loginRefused(reply) ? SessionEnd::Refused : SessionEnd::Failed);
    if (!command(socket, reply, timings_.replyMs, "CAPABILITY"))
        return ended(SessionEnd::Failed);
    if (!listsCapability(reply.text(), "IDLE")) {
        socket.SendTagged("LOGOUT\r\n");
        return SessionEnd::NoIdle;
    }
    if (!command(socket, reply, timings_.replyMs, "EXAMINE INBOX"))
        return ended(SessionEnd::Failed);
    const MailboxMark now = readMailboxMark(reply.text());
    if (!mark.exists.empty() && now != mark)
        host_.mailboxChanged();
    mark = now;
    socket.KeepAlive(timings_.keepAliveIdleS, timings_.keepAliveIntervalS,
                     timings_.keepAliveProbes);
    return idle(socket);
}

// Any server data moves the deadline on; while idling, the server may stay
// silent until the refresh asks it for an answer.
std::uint64_t IdleSession::deadline() const {
    const std::uint64_t allowance = phase_ == Phase::Idling
                                        ? std::uint64_t(timings_.refreshMs) + timings_.silenceMs
                                        : timings_.silenceMs;
    return lastData_ + allowance;
}

bool IdleSession::beginIdle(CMailSocket& socket, IdleLineReader& reader) {
    phase_ = Phase::Starting;
    lastData_ = TickCount();
    if (!socket.SendTagged("IDLE\r\n"))
        return false;
    reader.expectTag(tagOf(socket.lastCommand()));
    return true;
}

SessionEnd IdleSession::idle(CMailSocket& socket) {
    IdleLineReader reader;
    if (!beginIdle(socket, reader))
        return ended(SessionEnd::Failed);
    std::string bytes;
    for (;;) {
        if (abort_ != 0)
            return SessionEnd::Stopped;
        const std::uint64_t now = TickCount();
        if (phase_ == Phase::Idling && now >= idleSince_ + timings_.refreshMs) {
            phase_ = Phase::Ending;
            lastData_ = now;
            if (!socket.SendLine("DONE\r\n"))
                return ended(SessionEnd::Lost);
        }
        if (now >= deadline())
            return ended(idled_ ? SessionEnd::Lost : SessionEnd::Failed);
        bytes.clear();
        if (!socket.ReceiveSome(bytes, timings_.pollMs))
            return ended(idled_ ? SessionEnd::Lost : SessionEnd::Failed);
        if (!bytes.empty() && !handle(socket, reader, bytes))
            return ended(idled_ ? SessionEnd::Lost : SessionEnd::Failed);
    }
}

bool IdleSession::handle(CMailSocket& socket, IdleLineReader& reader, std::string_view bytes) {
    lastData_ = TickCount();
    std::vector<IdleEvent> events;
    reader.feed(bytes, [&](IdleEvent event) { events.push_back(event); });
    // However many lines of one read say so, the host hears of a change once:
    // each report becomes an event queued for the window, and a server that
    // floods the connection with EXISTS lines must not flood that queue.
    const bool changed = std::ranges::any_of(events, [this](IdleEvent event) {
        return event == IdleEvent::MailboxChanged ||
               (event == IdleEvent::FlagsChanged && flagChanges_ == FlagChanges::Reported);
    });
    if (changed)
        host_.mailboxChanged();
    for (const IdleEvent event : events) {
        switch (event) {
        case IdleEvent::MailboxChanged:
        case IdleEvent::FlagsChanged:
            break;
        case IdleEvent::Continuation:
            if (phase_ == Phase::Starting) {
                phase_ = Phase::Idling;
                idleSince_ = lastData_;
                if (!idled_)
                    firstIdle_ = lastData_;
                idled_ = true;
                idling_ = true;
            }
            break;
        case IdleEvent::Completed:
            // DONE answered, or the server ended IDLE itself: idle again. An
            // IDLE completed before any continuation never idled, and asking
            // again at once would ask as fast as the server answers.
            if (phase_ == Phase::Starting || !beginIdle(socket, reader))
                return false;
            break;
        case IdleEvent::Refused:
        case IdleEvent::Bye:
            return false;
        case IdleEvent::Other:
            break;
        }
    }
    return true;
}

} // namespace ombrix
