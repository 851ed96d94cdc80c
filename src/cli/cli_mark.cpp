#include "cli/cli_command.h"
#include "cli/cli_rows.h"
#include "cli/interrupt_watch.h"
#include "config/program_conf.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/run_flags.h"
#include "mark/mark_job.h"
#include "mark/read_snapshot.h"

#include <ostream>

namespace ombrix {
namespace {

std::string keptText() {
    return Text("der Server war nicht zu erreichen; die Markierung geht mit der nächsten "
                "Prüfung an ihn.",
                "the server could not be reached; the mark goes to it with the next check.");
}

std::string staleText() {
    return Text("die Mails auf dem Server haben sich geändert; die Markierung gilt nur hier. "
                "Prüfen Sie mit --check und sehen Sie mit --list nach.",
                "the server's mails have changed; the mark holds here only. Run --check and "
                "see --list.");
}

// Sets the rows' read flags, saves obx.rd as the window does after a mark,
// then tells the server. Exit 0 once the mark is saved here; stderr says
// when the server has not taken it yet.
int markRows(CommandArguments& arguments, const CliContext& context, bool read) {
    const std::string command(arguments.command());
    const std::vector<std::string> positionals = arguments.takePositionals();
    arguments.expectNoMore();
    if (positionals.size() < 2)
        throw UsageError(command + " takes an account index and at least one row");
    const int account = commandNumber(command, positionals[0], "an account index");
    context.loadState();
    if (static_cast<std::uint32_t>(account) >= accountCount)
        throw UsageError("there is no account " + positionals[0]);
    const std::vector<int> rows = selectedRows(
        command, {positionals.begin() + 1, positionals.end()}, accounts[account], positionals[0]);
    context.settlePasswords(true);
    const ReadSnapshot before = ReadSnapshot::ofTable();
    for (const int row : rows)
        accounts[account].mails[row].read = read ? 1 : 0;
    if (!saveState(SaveKind::ReadFlagFile))
        return 1;

    const InterruptWatch interrupts;
    for (const MarkJob& job : before.jobsSince(readProgramConf())) {
        const MarkDelivery delivery = deliverMarks(job, abortRequest);
        if (delivery == MarkDelivery::Unreached || delivery == MarkDelivery::Held)
            context.io.err << "ombrix: " << keptText() << '\n';
        else if (delivery == MarkDelivery::Stale)
            context.io.err << "ombrix: " << staleText() << '\n';
    }
    return interrupts.exitStatus(0);
}

} // namespace

int runMarkRead(CommandArguments& arguments, const CliContext& context) {
    return markRows(arguments, context, true);
}

int runMarkUnread(CommandArguments& arguments, const CliContext& context) {
    return markRows(arguments, context, false);
}

} // namespace ombrix
