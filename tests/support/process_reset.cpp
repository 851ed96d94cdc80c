#include "support/process_reset.h"

#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/keyring_directory.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "core/process_state.h"
#include "net/certificate_trust.h"

namespace ombrix::test {

void resetProcessState() {
    resetAccountsAndFlags();
    settings = missingFileSettings();
    programDirectory.clear();
    programConf = ProgramConf();
    loadedScope = LoadScope::Everything;
    Language = 1;
    certificateTrust().clear();
    keyringChosen = false;
    keyringDirectory.clear();
    clearKeyringNotice();
}

} // namespace ombrix::test
