#pragma once

#include "config/program_conf.h"

#include <functional>

namespace ombrix::test {

// Every process-wide variable back to a fresh start: the account table, the
// run flags, the settings and ombrix.conf records, the language, the keyring's
// choice and notice, the trusted certificates, the new-mail count and the
// speaker's kind (a sound's busy flag is its thread's to clear). Call it in
// SetUp().
void resetProcessState();

// Changes the process's ombrix.conf entries in memory only, as if the file
// had been loaded so, without writing the file.
void changeProgramConf(const std::function<void(ProgramConf&)>& change);

} // namespace ombrix::test
