#pragma once
// The IDLE watchers of the desktop program: one for each active IMAP account
// (one per server and user, whatever the number of accounts naming them),
// while ombrix.conf's "idle" is on. The window brings the set in line after
// every change of the account table (a server's flag updates count as
// changes where an account of it has its read state follow the server), holds it during a deletion
// run and while an account is edited, and stops it on quit. A server that refused a watcher's login
// gets no watcher until a check run logged in to it or its account was edited. The watchers'
// reports reach the window thread queued; the set itself lives on the window thread.

#include "idle/idle_responses.h"
#include "idle/watch_timings.h"
#include "proto/imap_login.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace ombrix {

class IdleWatcher;

class WatcherSet : public QObject {
public:
    // onMailboxChanged runs on the window thread for every change a watcher saw.
    explicit WatcherSet(std::function<void()> onMailboxChanged, WatchTimings timings = {},
                        QObject* parent = nullptr);
    ~WatcherSet() override;

    // Starts the watchers the table and the setting ask for and stops the
    // others; a watcher whose account did not change keeps its connection.
    void update();
    // Stops every watcher until the matching release(), which updates (a
    // deletion run).
    void hold();
    void release();
    // Leaves the account of that table row unwatched while it is edited (-1:
    // none), and updates. An edited account's refused login is forgotten.
    void leaveOut(int row);
    // A check run logged in to the account of that row: a watcher that its
    // server refused starts again.
    void loginPassed(int row);
    // Stops every watcher for good (quit): all are asked at once, then joined.
    void stopAll();
    // Every watcher drops its connection and connects again at once.
    void reconnectAll();

    // The servers watched now, and the watcher of one (nullptr when none);
    // for tests and the benchmark.
    std::vector<ImapServer> watched() const;
    const IdleWatcher* watcherOf(const ImapServer& server) const;
    // The servers that refused a watcher's login and wait for a check's.
    const std::vector<ImapServer>& refusedLogins() const { return refused_; }

private:
    class QueuedHost;
    struct Entry;
    struct Wanted {
        ImapServer server;
        FlagChanges flagChanges = FlagChanges::Ignored;
    };

    std::vector<Wanted> wanted() const;
    void stop(std::vector<std::unique_ptr<Entry>>& entries);
    void idleUnsupported(const ImapServer& server);
    void loginRefused(const ImapServer& server);
    void rememberWithoutIdle(const ImapServer& server);
    void rememberRefused(const ImapServer& server);
    void forgetRefusal(int row);

    std::function<void()> onMailboxChanged_;
    WatchTimings timings_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<ImapServer> withoutIdle_; // servers that said they have no IDLE
    std::vector<ImapServer> refused_;     // servers that refused the login
    int holds_ = 0;
    int leftOut_ = -1;
    bool stopped_ = false;
};

} // namespace ombrix
