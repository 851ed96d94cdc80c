#include "check/account_status.h"
#include "cli/cli_command.h"
#include "cli/interrupt_watch.h"
#include "cli/stderr_run_host.h"
#include "cli/terminal_text.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "mark/pending_check.h"

#include <ostream>
#include <thread>

namespace ombrix {

// One check run as the window would start it from the tray, then what the
// window does when the run has ended: save the mail lists. Exit 1 when an
// account failed; 130 or 143 when SIGINT or SIGTERM aborted the run.
int runCheck(CommandArguments& arguments, const CliContext& context) {
    arguments.expectNoMore();
    context.loadState();
    context.settlePasswords(true);
    context.needKeyringPasswords();
    windowHidden = 1; // no wait dialog on a terminal
    const InterruptWatch interrupts;
    StderrRunHost host(context.io.err);
    std::thread worker([&host] { checkWithPendingMarks(host); });
    worker.join();
    if (host.runDone())
        saveState(SaveKind::MailListFile);

    bool anyFailed = false;
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        const AccountStatus status = accountStatus(accounts[k]);
        anyFailed = anyFailed || status.image == kImageFailed;
        context.io.out << terminalLine(accounts[k].name) << '\t' << terminalLine(status.text)
                       << '\n';
    }
    return interrupts.exitStatus(anyFailed ? 1 : 0);
}

} // namespace ombrix
