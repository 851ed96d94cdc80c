#include "mark/pending_check.h"

#include "check/check_run.h"
#include "core/run_flags.h"
#include "mark/mark_job.h"

namespace ombrix {

void checkWithPendingMarks(RunHost& host, const CheckTimeouts& timeouts) {
    if (checkRunning == 0 && deleteRunning == 0)
        sendPendingMarksOfTable(abortRequest);
    CheckThread(host, timeouts);
}

} // namespace ombrix
