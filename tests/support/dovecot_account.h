#pragma once
// Account 0 of a fresh process state aimed at the test Dovecot's plain IMAP
// port as `user`, with the state files in `directory`, no wait dialog.

#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "support/dovecot.h"
#include "support/process_reset.h"

#include <string>

namespace ombrix::test {

inline void useDovecotImapAccount(const DovecotServer& server, const std::string& user,
                                  const std::string& directory) {
    resetProcessState();
    programDirectory = directory;
    windowHidden = 1;
    AccountRecord& a = accounts[0];
    a.name = "dovecot";
    a.host = server.host;
    a.user = user;
    a.password = server.password(user);
    a.protocol = 1;
    a.port = std::to_string(server.imapPort);
    accountCount = 1;
}

} // namespace ombrix::test
