#pragma once
// A watcher keeps one IMAP connection of its own idling on an account's INBOX
// and tells its host when the mailbox changes. It lives on a thread of its
// own; when a connection ends it connects again after a back-off (1 s, 2 s,
// 4 s ... 5 min, from the first again once a connection has idled for a
// while). A server without IDLE ends it for good, and so does a refused
// login: whoever runs the watcher starts a new one once a login passed
// again. Stopping never kills the thread: the stop flag ends any wait,
// within a second.

#include "idle/idle_responses.h"
#include "idle/watch_timings.h"
#include "proto/imap_login.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrix {

class WatchHost;

class IdleWatcher {
public:
    // Starts the thread at once. The host must outlive the watcher.
    IdleWatcher(ImapServer server, WatchHost& host, WatchTimings timings = {},
                FlagChanges flagChanges = FlagChanges::Ignored);
    // Stops and joins.
    ~IdleWatcher();
    IdleWatcher(const IdleWatcher&) = delete;
    IdleWatcher& operator=(const IdleWatcher&) = delete;

    // Asks the thread to end; returns at once. Any thread.
    void requestStop();
    // Waits for the thread's end (asks it to stop first).
    void join();
    // Drops the connection and connects again at once, without back-off (the
    // network came back, or the machine woke up). Any thread.
    void reconnect();

    const ImapServer& server() const { return server_; }
    FlagChanges flagChanges() const { return flagChanges_; }
    // Whether the thread has ended (stopped, the server has no IDLE, or it
    // refused the login), and whether the server refused the login.
    bool ended() const { return ended_; }
    bool refused() const { return refused_; }
    // Whether the server idles for us now, and how many connections were
    // begun so far (for tests and the benchmark).
    bool idling() const { return idling_; }
    int connections() const { return connections_; }
    // The back-off waits before each new connection so far, in order.
    std::vector<std::uint32_t> waits() const;

private:
    // Runs on the watcher's thread.
    void run();
    void watch();
    // Waits ms; false when a stop was asked for meanwhile.
    bool pause(std::uint32_t ms);

    const ImapServer server_;
    WatchHost& host_;
    const WatchTimings timings_;
    const FlagChanges flagChanges_;
    std::atomic<std::uint8_t> abort_{0}; // the socket's abort flag: stop or reconnect
    std::atomic<bool> ended_{false};
    std::atomic<bool> refused_{false};
    std::atomic<bool> idling_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    // Changed under mutex_, so that a pause cannot miss the wake-up; atomic
    // as well, because ThreadSanitizer loses track of that mutex in a process
    // where GLib's network monitor ran (its calls are suppressed as a whole).
    std::atomic<bool> stopping_{false};
    std::atomic<bool> reconnecting_{false};
    std::vector<std::uint32_t> waits_; // under mutex_
    std::thread thread_;               // last: starts once everything above exists
};

} // namespace ombrix
