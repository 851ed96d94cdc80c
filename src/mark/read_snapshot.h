#pragma once
// The read flags of the table before a command marks mails, so that what the
// command changed can go to the servers once the flags are saved. Mails are
// told apart by account and UID, never by row.

#include "mark/mark_job.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ombrix {

class ProgramConf;

class ReadSnapshot {
public:
    // The caller holds the table.
    static ReadSnapshot ofTable();

    // A job for each account whose read flags changed since, unless its
    // marks stay local (see markJobOf). The caller holds the table.
    std::vector<MarkJob> jobsSince(const ProgramConf& conf) const;

private:
    struct AccountReads {
        SecretKey key;
        std::string uidValidity;
        std::map<std::uint32_t, bool> read; // by UID
    };
    std::array<AccountReads, kMaxAccounts> accounts_{};
    std::uint32_t count_ = 0;
};

} // namespace ombrix
