#pragma once
// The server's side of an IDLE session, line by line: untagged EXISTS or
// EXPUNGE (the mailbox changed), FETCH (a mail's flags changed), BYE, the continuation that
// confirms IDLE, and the tagged completion of the command in flight. Pure logic, no socket: the
// watcher feeds whatever chunks arrive, split anywhere.

#include "proto/imap_response_splitter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ombrix {

enum class IdleEvent {
    MailboxChanged, // "* n EXISTS" or "* n EXPUNGE"
    FlagsChanged,   // "* n FETCH (FLAGS ...)": read or unread elsewhere, among others
    Continuation,   // "+ ...": the server idles
    Bye,            // "* BYE ...": the server ends the connection
    Completed,      // "<tag> OK ..."
    Refused,        // "<tag> NO ..." or "<tag> BAD ..."
    Other,          // anything else ("* OK Still here", RECENT ...)
};

// Whether a watcher reports flag changes as changes of the mailbox: where an
// account's read state follows the server, a mail read elsewhere must end
// the tray's new-mail state as soon as a check can show it.
enum class FlagChanges : std::uint8_t { Ignored, Reported };

// What one complete line (without CR LF) means while `tag` is in flight.
// Keywords compare without regard to ASCII case.
IdleEvent classifyIdleLine(std::string_view line, std::string_view tag);

// Whether a reply holds a "* CAPABILITY" line that lists `name`.
bool listsCapability(std::string_view reply, std::string_view name);

// How big the mailbox was when it was opened: the "* n EXISTS" count and the
// "[UIDNEXT n]" code of an EXAMINE reply, as text ("" when missing). A change
// between two connections means mail came or went while no one idled.
struct MailboxMark {
    std::string exists;
    std::string uidNext;

    bool operator==(const MailboxMark&) const = default;
};

MailboxMark readMailboxMark(std::string_view examineReply);

class IdleLineReader {
public:
    // Longer responses are cut here; their end is still found, so the next
    // response starts where it should.
    static constexpr std::size_t kMaxLine = 8192;

    // The tag whose completion ends the command in flight ("" for none).
    void expectTag(std::string tag) { tag_ = std::move(tag); }

    // Hands the event of every response that the bytes complete to onEvent,
    // in order, judged by its first line. A literal ({n} or {n+} at a line
    // end) belongs to its response, so mail text can never pose as a server
    // response.
    void feed(std::string_view bytes, const std::function<void(IdleEvent)>& onEvent);

private:
    ImapResponseSplitter splitter_{kMaxLine};
    std::string tag_;
};

} // namespace ombrix
