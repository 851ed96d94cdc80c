#include "app/cli_command.h"
#include "core/account_table.h"
#include "core/display_text.h"

#include <ostream>

namespace ombrix {

// One line per account; the password is never printed.
int runAccounts(CommandArguments& arguments, const CliContext& context) {
    arguments.expectNoMore();
    context.loadState(LoadScope::Accounts); // no mail list
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        const AccountRecord& a = accounts[k];
        context.io.out << k << '\t' << displayField(a.name) << '\t' << displayField(a.host) << '\t'
                       << displayField(a.port) << '\t' << (a.protocol == 1 ? "IMAP" : "POP3")
                       << '\t' << (a.useSsl != 0 ? "SSL" : "plain") << '\t'
                       << (a.deactivated == 1 ? "deactivated" : "active") << '\n';
    }
    return 0;
}

} // namespace ombrix
