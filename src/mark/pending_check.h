#pragma once
// The check run as every front end starts it: the marks still pending go to
// their servers first, so that the listing that follows already sees them
// and the server's read state does not take back a mark made here.

#include "check/account_check.h"
#include "core/run_host.h"

namespace ombrix {

// As CheckThread (check/check_run.h); the marks' sessions heed abortRequest.
// Runs on the check thread.
void checkWithPendingMarks(RunHost& host, const CheckTimeouts& timeouts = {});

} // namespace ombrix
