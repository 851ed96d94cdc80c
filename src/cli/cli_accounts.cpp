#include "cli/cli_command.h"
#include "cli/terminal_text.h"
#include "config/keyring_marks.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "net/certificate_trust.h"

#include <ostream>

namespace ombrix {

namespace {

// An account that signs in with OAuth has no password: its provider instead.
std::string passwordPlace(const AccountRecord& account, const KeyringEntries& entries) {
    if (signsInWithOAuth(account))
        return "oauth:" + terminalLine(account.oauthProvider);
    // Also where the keyring did not give it: obx.dat holds none.
    return account.passwordInKeyring != 0 || awaitsKeyring(account, entries) ? "keyring" : "file";
}

} // namespace

// One line per account; the password is never printed, only where it lives
// ("keyring" or "file", "oauth:PROVIDER" for an OAuth sign-in). An account whose server certificate
// the user accepted ends in "pinned:" and the faults accepted with it
// ("pinned:self-signed,name-mismatch").
int runAccounts(CommandArguments& arguments, const CliContext& context) {
    arguments.expectNoMore();
    context.loadState(LoadScope::Accounts); // no mail list
    context.settlePasswords(false);         // reads only
    const KeyringEntries entries = keyringEntriesOf(readProgramConf());
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        const AccountRecord& a = accounts[k];
        context.io.out << k << '\t' << terminalLine(a.name) << '\t' << terminalLine(a.host) << '\t'
                       << terminalLine(a.port) << '\t' << (a.protocol == 1 ? "IMAP" : "POP3")
                       << '\t' << (a.useSsl != 0 ? "SSL" : "plain") << '\t'
                       << (a.deactivated == 1 ? "deactivated" : "active") << '\t'
                       << passwordPlace(a, entries);
        if (a.useSsl != 0)
            if (const auto pin = certificateTrust().pinOf(peerName(a.host, a.port)))
                context.io.out << "\tpinned:" << faultsText(pin->faults);
        context.io.out << '\n';
    }
    context.tellKeyringNotice();
    return 0;
}

} // namespace ombrix
