#include "cli/cli_command.h"
#include "config/keyring_marks.h"
#include "config/keyring_return.h"
#include "config/keyring_settling.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/state_store.h"
#include "config/trusted_certificates.h"
#include "core/commit_bracket.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "oauth/refresh_tokens.h"

#include <algorithm>
#include <ostream>

namespace ombrix {

bool CommandArguments::takeFlag(std::string_view option) {
    const auto found = std::find(arguments_.begin(), arguments_.end(), option);
    if (found == arguments_.end())
        return false;
    arguments_.erase(found);
    return true;
}

std::optional<std::string> CommandArguments::takeValue(std::string_view option) {
    const auto found = std::find(arguments_.begin(), arguments_.end(), option);
    if (found == arguments_.end())
        return std::nullopt;
    if (found + 1 == arguments_.end())
        throw UsageError(std::string(option) + " needs a value");
    std::string value = *(found + 1);
    arguments_.erase(found, found + 2);
    return value;
}

std::vector<std::string> CommandArguments::takePositionals() {
    std::vector<std::string> positionals;
    std::erase_if(arguments_, [&](const std::string& argument) {
        if (argument.starts_with("--"))
            return false;
        positionals.push_back(argument);
        return true;
    });
    return positionals;
}

void CommandArguments::expectNoMore() const {
    if (!arguments_.empty())
        throw UsageError("unknown argument for " + std::string(command_) + ": " +
                         arguments_.front());
}

void CliContext::loadState(LoadScope scope) const {
    programDirectory = findProgramDirectory(directory);
    replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
    chooseKeyringFromConf();
    ombrix::loadState(scope);
    loadTrustedCertificates(programDirectory);
}

void CliContext::settlePasswords(bool move) const {
    // passwordStore=file: a command that holds the directory brings the
    // passwords back without asking (nobody may be there to answer).
    if (move && passwordsWaitInKeyring()) {
        const PasswordReturn returned = returnPasswordsToFile();
        if (returned.returned > 0)
            io.err << keyring_texts::passwordsReturned(returned.returned) << '\n';
        if (returned.left > 0)
            io.err << keyring_texts::passwordsLeftInKeyring(returned.left) << '\n';
    }
    settlePasswordsNow(move);
}

void CliContext::needKeyringPasswords() const {
    const KeyringEntries entries = keyringEntriesOf(readProgramConf());
    int waiting = 0;
    {
        const TableAccess access;
        waiting = accountsAwaitingKeyring(entries);
    }
    if (waiting > 0 && keyringLockState() == KeyringLock::NoService)
        throw KeyringMissing(keyring_texts::commandWithoutKeyring(waiting));
}

void CliContext::tellKeyringNotice() const {
    if (const std::string notice = keyringNotice(); !notice.empty())
        io.err << notice << '\n';
    if (const std::string notice = oauth::takeRefreshTokenNotice(); !notice.empty())
        io.err << notice << '\n';
}

} // namespace ombrix
