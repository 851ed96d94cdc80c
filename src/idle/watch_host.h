#pragma once
// What an IDLE watcher may ask of the window side. Watchers never touch the
// account table or a widget: the window implements this by queueing every
// call onto its thread, tests by recording. Each method is called from the
// watcher's own thread.

namespace ombrix {

class WatchHost {
public:
    virtual ~WatchHost() = default;

    // The watched mailbox changed (new or removed mail): a check run should
    // follow, as if its timer had ticked.
    virtual void mailboxChanged() = 0;
    // The server does not offer IDLE: the watcher has ended for good.
    virtual void idleUnsupported() = 0;
    // The server refused the login (wrong password, refused token): the
    // watcher has ended, and logs in again only when it is started anew.
    // Asking again would only earn more refusals, and providers lock
    // accounts for that.
    virtual void loginRefused() = 0;
};

} // namespace ombrix
