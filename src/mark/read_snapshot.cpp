#include "mark/read_snapshot.h"

#include "core/password_keyring.h"
#include "delete/imap_replies.h"

#include <algorithm>

namespace ombrix {
namespace {

bool sameAccount(const SecretKey& a, const SecretKey& b) {
    return a.host == b.host && a.user == b.user && a.protocol == b.protocol && a.port == b.port;
}

} // namespace

ReadSnapshot ReadSnapshot::ofTable() {
    ReadSnapshot snapshot;
    snapshot.count_ = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t slot = 0; slot < snapshot.count_; ++slot) {
        const AccountRecord& account = accounts[slot];
        AccountReads& reads = snapshot.accounts_[slot];
        reads.key = keyringKeyOf(account);
        reads.uidValidity = account.uidValidity;
        if (account.protocol != 1)
            continue; // no UIDs a server could be told of
        for (int row = 0; row < validMailCount(account); ++row)
            if (const std::optional<std::uint32_t> uid = imapUidNumber(account.mails.uid(row)))
                reads.read[*uid] = account.mails[row].read != 0;
    }
    return snapshot;
}

std::vector<MarkJob> ReadSnapshot::jobsSince(const ProgramConf& conf) const {
    std::vector<MarkJob> jobs;
    for (std::uint32_t slot = 0; slot < count_ && slot < accountCount; ++slot) {
        const AccountRecord& account = accounts[slot];
        const AccountReads& before = accounts_[slot];
        if (before.read.empty() || !sameAccount(before.key, keyringKeyOf(account)) ||
            before.uidValidity != account.uidValidity)
            continue;
        SeenMarks changed{account.uidValidity, {}, {}};
        for (int row = 0; row < validMailCount(account); ++row) {
            const std::optional<std::uint32_t> uid = imapUidNumber(account.mails.uid(row));
            const auto was = uid ? before.read.find(*uid) : before.read.end();
            if (was == before.read.end() || was->second == (account.mails[row].read != 0))
                continue;
            (account.mails[row].read != 0 ? changed.seen : changed.unseen).push_back(*uid);
        }
        if (changed.empty())
            continue;
        for (std::vector<std::uint32_t>* uids : {&changed.seen, &changed.unseen}) {
            std::ranges::sort(*uids);
            uids->erase(std::unique(uids->begin(), uids->end()), uids->end());
        }
        if (std::optional<MarkJob> job = markJobOf(account, conf, std::move(changed)))
            jobs.push_back(std::move(*job));
    }
    return jobs;
}

} // namespace ombrix
