#include "cli/cli_command.h"
#include "core/account_table.h"

#include <ostream>

namespace ombrix {

// The count alone on its line, for status bars.
int runUnread(CommandArguments& arguments, const CliContext& context) {
    arguments.expectNoMore();
    context.loadState(LoadScope::ReadCounts);
    long unread = 0;
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        const AccountRecord& a = accounts[k];
        if (a.deactivated == 1)
            continue;
        for (int i = 0; i < validMailCount(a); ++i)
            unread += a.mails[i].read == 0 ? 1 : 0;
    }
    context.io.out << unread << '\n';
    return 0;
}

} // namespace ombrix
