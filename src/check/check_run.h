#pragma once
// The check run: one pass over all accounts. For each active account it runs
// the POP3 or IMAP dialogue into a working copy, decides which mails are read
// and which are new, and commits the new list; at the end it sorts every list
// and hands over to the window through RunDoneTimer.

#include "check/account_check.h"
#include "check/mail_sort.h"
#include "core/run_host.h"

#include <atomic>
#include <cstdint>

namespace ombrix {

// Mails found new by the current run, over all accounts. Written by the check
// run, read (and set back to 0) by the window's refresh.
inline std::atomic<std::int32_t> newMailCount{0};

// One whole check run on the calling thread; returns when it is over (at once
// when a run is active, a deletion runs, or there is no account). The window
// starts it on a worker thread of its own; the command line and tests may call
// it directly. The new lists are sorted by `sortOrder` (a SortOrderCode, as
// the window's lists were when the run started). Runs on the check thread.
void CheckThread(RunHost& host, const CheckTimeouts& timeouts = {},
                 std::uint8_t sortOrder = kSortDateNewestFirst);

} // namespace ombrix
