#include "config/keyring_settling.h"

#include "config/keyring_marks.h"
#include "config/keyring_removals.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/state_store.h"
#include "core/commit_bracket.h"
#include "core/keyring_directory.h"
#include "core/password_keyring.h"

namespace ombrix {

void chooseKeyringFromConf() {
    keyringChosen = readProgramConf().value(kConfPasswordStore).value_or("auto") != "file";
    keyringDirectory = canonicalKeyringDirectory(programDirectory);
}

bool settlePasswordsNow(bool move) {
    const KeyringEntries entries = keyringEntriesOf(readProgramConf());
    std::vector<PasswordJob> jobs;
    {
        const TableAccess access;
        jobs = passwordJobs(!move, entries);
    }
    const std::vector<PasswordAnswer> answers = settlePasswords(jobs);
    bool moved = false;
    {
        const TableAccess access;
        moved = applyPasswordAnswers(answers);
    }
    if (!move)
        return true; // a command that only reads writes nothing: obx.dat is not its own
    // The command holds the directory: obx.dat and ombrix.conf are its own.
    markKeptPasswords(answers);
    removePendingKeyringItemsAfter(answers);
    return !moved || saveState(SaveKind::SettingsFile);
}

} // namespace ombrix
