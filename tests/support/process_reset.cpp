#include "support/process_reset.h"

#include "check/check_run.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/keyring_directory.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "core/process_state.h"
#include "net/certificate_trust.h"
#include "notify/alarm_sounds.h"

namespace ombrix::test {

void resetProcessState() {
    resetAccountsAndFlags();
    settings = missingFileSettings();
    programDirectory.clear();
    replaceProgramConf(ProgramConf());
    loadedScope = LoadScope::Everything;
    Language = 1;
    certificateTrust().clear();
    keyringChosen = false;
    keyringDirectory.clear();
    clearKeyringNotice();
    newMailCount = 0;
    ntFamily = 1;
}

void changeProgramConf(const std::function<void(ProgramConf&)>& change) {
    ProgramConf conf = readProgramConf();
    change(conf);
    replaceProgramConf(std::move(conf));
}

} // namespace ombrix::test
