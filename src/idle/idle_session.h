#pragma once
// One connection of an IDLE watcher, from the connect to its end: login (the
// check run's, with its TLS rules), CAPABILITY, EXAMINE INBOX, then IDLE,
// ended by DONE and begun again at every refresh. Untagged EXISTS or EXPUNGE
// go to the host as a changed mailbox, and so do flag updates (FETCH) where
// they are reported. Never a dialog: a fault of the
// transport is the check run's to report.

#include "idle/idle_responses.h"
#include "idle/watch_timings.h"
#include "proto/imap_login.h"

#include <atomic>
#include <cstdint>

namespace ombrix {

class CMailSocket;
class WatchHost;

enum class SessionEnd {
    Stopped, // the abort flag ended it
    NoIdle,  // the server does not offer IDLE
    Refused, // the server refused the login itself (tagged NO or BAD, a failed exchange)
    Failed,  // it never got as far as idling (connect, login, EXAMINE ...)
    Lost,    // it idled, then the server said BYE, refused, went silent or the link died
};

class IdleSession {
public:
    // `idling` is true while the server idles for this session.
    IdleSession(const ImapServer& server, WatchHost& host, const WatchTimings& timings,
                const std::atomic<std::uint8_t>& abort, std::atomic<bool>& idling,
                FlagChanges flagChanges = FlagChanges::Ignored)
        : server_(server), host_(host), timings_(timings), abort_(abort), idling_(idling),
          flagChanges_(flagChanges) {}

    // Runs the connection until it ends. `mark` is the mailbox's size seen by
    // the previous connection (empty at first) and becomes this one's: a
    // difference is reported as a change. Runs on the watcher's thread.
    SessionEnd run(MailboxMark& mark);
    // How long the server idled for this session, from its first
    // continuation to the session's end (0 when it never idled).
    std::uint64_t idledMs() const { return idled_ ? endedAt_ - firstIdle_ : 0; }

private:
    enum class Phase { Starting, Idling, Ending };

    SessionEnd idle(CMailSocket& socket);
    bool beginIdle(CMailSocket& socket, IdleLineReader& reader);
    // Acts on the events of the bytes just read; false when the session must end.
    bool handle(CMailSocket& socket, IdleLineReader& reader, std::string_view bytes);
    std::uint64_t deadline() const;
    SessionEnd ended(SessionEnd otherwise);

    const ImapServer& server_;
    WatchHost& host_;
    const WatchTimings& timings_;
    const std::atomic<std::uint8_t>& abort_;
    std::atomic<bool>& idling_;
    const FlagChanges flagChanges_;
    Phase phase_ = Phase::Starting;
    std::uint64_t idleSince_ = 0;
    std::uint64_t lastData_ = 0;
    std::uint64_t firstIdle_ = 0;
    std::uint64_t endedAt_ = 0;
    bool idled_ = false;
};

} // namespace ombrix
