#pragma once
// What the fault server breaks: one step of a dialogue, chosen by the client's
// command, and what it does there instead of (or on top of) answering.

#include <string>
#include <string_view>

namespace ombrix::test {

enum class FaultKind {
    None,
    // The command is not carried out:
    Close,       // the server closes the connection instead of answering
    Stall,       // it reads on but never answers, until the client closes
    StopReading, // it neither reads nor answers, until the client hangs up
    Garbage,     // one line of binary garbage instead of the reply
    LongLine,    // 1 MB without a line end, then silence
    Refuse,      // -ERR (POP3), NO (IMAP; BYE for the greeting)
    Bad,         // IMAP BAD
    BadText,     // a refusal whose text is invalid UTF-8 with control characters
    // The command is carried out and its reply altered:
    HugeCount,    // every number of the reply's protocol text becomes 20 digits
    LyingLiteral, // the first literal claims 1000 bytes more than follow
    Nul,          // a NUL byte inside the reply's first line
    Late,         // the reply waits until the client sends more or closes
    Split,        // the reply goes out in two writes with a pause between
    Reorder,      // the lines of a listing come in reverse order
    ExtraFetch,   // untagged FETCH lines without UID (flag updates) join the reply
};

// Where the fault strikes: "connect" (before a TLS hand-shake), "greeting", or
// a client command whose first word is `verb` (two words for UID commands) and
// that contains `contains`. `occurrence` counts matching steps over all
// connections of the server, from 1.
struct FaultStep {
    std::string verb;
    std::string contains;
    int occurrence = 1;
};

struct Fault {
    FaultStep step;
    FaultKind kind = FaultKind::None;
};

std::string_view faultName(FaultKind kind);

// The command's verb as a step names it: "UID FETCH", "STAT", ...
std::string commandVerb(std::string_view command);
bool stepMatches(const FaultStep& step, std::string_view command);

} // namespace ombrix::test
