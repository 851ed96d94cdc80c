#pragma once
// The clocks of an IDLE watcher, in milliseconds. Tests shorten them.

#include <cstdint>

namespace ombrix {

struct WatchTimings {
    // IDLE is ended (DONE) and begun again this long after it began: servers
    // log out clients that stay silent for 30 minutes.
    std::uint32_t refreshMs = 10 * 60 * 1000;
    // Every reply of the login and EXAMINE, as in a check run.
    std::uint32_t replyMs = 16000;
    // The read deadline once IDLE was sent: the server must start idling
    // and answer DONE within it, and any data it sends starts it anew. While
    // idling, the server may stay silent for refreshMs on top of it.
    std::uint32_t silenceMs = 16000;
    // How long one wait for server data lasts before the stop flag is looked
    // at again: a stop ends an idling watcher within this time, and a watcher
    // wakes up this often while nothing happens.
    std::uint32_t pollMs = 500;
    // Back-off between failed connections: doubles from the first to the last.
    std::uint32_t firstRetryMs = 1000;
    std::uint32_t lastRetryMs = 5 * 60 * 1000;
    // A connection that idled at least this long before it was lost was
    // working: the back-off starts from the first again. One lost sooner
    // counts as failed, so that a server that drops every connection right
    // after IDLE is not asked again every firstRetryMs for ever.
    std::uint32_t steadyIdleMs = 60 * 1000;
    // TCP keep-alive: a dead link ends the stream after
    // keepAliveIdleS + keepAliveIntervalS * keepAliveProbes seconds of silence.
    int keepAliveIdleS = 60;
    int keepAliveIntervalS = 15;
    int keepAliveProbes = 4;
};

// The wait before retry number `failures` (1 for the first): first, twice
// that, four times ... never above last.
std::uint32_t retryDelayMs(const WatchTimings& timings, unsigned failures);

} // namespace ombrix
