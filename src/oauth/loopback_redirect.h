#pragma once
// The redirect of a browser sign-in (RFC 8252, section 7.3): a listener on
// 127.0.0.1 at a port the system picks, which takes the one request the
// browser makes there after the user signed in, answers it with a short page
// and hands its code on. Browsers open spare connections ahead of time, so
// every connection is read at once and the first whole request counts.

#include "net/link.h"

#include <string>

namespace ombrix::oauth {

struct RedirectOutcome {
    bool ok = false;
    std::string code;    // with ok
    std::string failure; // without: refused, wrong state, time-out, aborted
};

class LoopbackRedirect {
public:
    LoopbackRedirect(); // listens at once; see listening()
    ~LoopbackRedirect();
    LoopbackRedirect(const LoopbackRedirect&) = delete;
    LoopbackRedirect& operator=(const LoopbackRedirect&) = delete;

    bool listening() const { return listener_ >= 0; }
    const std::string& failure() const { return failure_; }
    // "http://127.0.0.1:PORT/"
    std::string redirectUri() const;

    // Waits for the browser's request within the limit. A request whose
    // state is not `expectedState` is answered, refused and ends the wait;
    // one for another path, or with none of the redirect's fields, is
    // answered "not found" and the wait goes on. The listener closes when
    // the wait ends.
    RedirectOutcome await(const std::string& expectedState, const WaitLimit& limit);

private:
    RedirectOutcome awaitRequest(const std::string& expectedState, const WaitLimit& limit);

    int listener_ = -1;
    int port_ = 0;
    std::string failure_;
};

// What a request target of the redirect means (the answer page aside).
RedirectOutcome readRedirectTarget(const std::string& target, const std::string& expectedState);

} // namespace ombrix::oauth
