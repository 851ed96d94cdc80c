#include "mark/mark_job.h"

#include "config/program_conf.h"
#include "config/read_state_switches.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"
#include "delete/imap_replies.h"
#include "mark/pending_marks.h"

namespace ombrix {

std::optional<MarkJob> markJobOf(const AccountRecord& account, const ProgramConf& conf,
                                 SeenMarks fresh) {
    const SecretKey key = keyringKeyOf(account);
    if (!readStateInEffect(conf, key).markOnServer || account.uidValidity.empty())
        return std::nullopt;
    MarkJob job{key, imapServerOf(account), account.uidValidity, {}, std::move(fresh)};
    for (int row = 0; row < validMailCount(account); ++row)
        if (const std::optional<std::uint32_t> uid = imapUidNumber(account.mails.uid(row)))
            job.listed.push_back(*uid);
    return job;
}

bool storePendingMarks(const MarkJob& job) {
    const ProgramConf now = readProgramConf();
    const SeenMarks before = pendingMarksOf(now, job.account);
    const SeenMarks after =
        marksOnListed(mergedMarks(before, job.fresh), job.uidValidity, job.listed);
    if (after != before)
        updateProgramConf([&](ProgramConf& conf) {
            // Merged again under the lock: another worker may have sent some.
            setPendingMarks(conf, job.account,
                            marksOnListed(mergedMarks(pendingMarksOf(conf, job.account), job.fresh),
                                          job.uidValidity, job.listed));
        });
    return !after.empty();
}

MarkDelivery sendPendingMarks(const MarkJob& job, const CMailSocket::AbortFlag& abort,
                              const MarkTimeouts& timeouts) {
    const SeenMarks pending = pendingMarksOf(readProgramConf(), job.account);
    if (pending.empty())
        return MarkDelivery::Sent;
    const MarkDelivery delivery = storeSeenMarks(job.server, pending, abort, timeouts);
    if (delivery == MarkDelivery::Sent || delivery == MarkDelivery::Stale)
        updateProgramConf([&](ProgramConf& conf) {
            setPendingMarks(conf, job.account,
                            withoutMarks(pendingMarksOf(conf, job.account), pending));
        });
    return delivery;
}

MarkDelivery deliverMarks(const MarkJob& job, const CMailSocket::AbortFlag& abort,
                          const MarkTimeouts& timeouts) {
    if (!storePendingMarks(job))
        return MarkDelivery::Sent;
    return sendPendingMarks(job, abort, timeouts);
}

void sendPendingMarksOfTable(const CMailSocket::AbortFlag& abort, const MarkTimeouts& timeouts) {
    const ProgramConf conf = readProgramConf();
    std::vector<MarkJob> jobs;
    {
        const std::lock_guard lock(accountTableMutex());
        for (std::uint32_t slot = 0; slot < accountCount && slot < kMaxAccounts; ++slot) {
            const AccountRecord& account = accounts[slot];
            if (account.deactivated != 0 || pendingMarksOf(conf, keyringKeyOf(account)).empty())
                continue;
            if (std::optional<MarkJob> job = markJobOf(account, conf))
                jobs.push_back(std::move(*job));
        }
    }
    for (const MarkJob& job : jobs)
        if (abort == 0 && storePendingMarks(job))
            sendPendingMarks(job, abort, timeouts);
}

} // namespace ombrix
