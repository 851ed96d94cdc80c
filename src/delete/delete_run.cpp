#include "delete/delete_run.h"

#include "config/keyring_marks.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "delete/delete_texts.h"
#include "delete/imap_flagging.h"
#include "delete/pop3_deletion.h"

#include <algorithm>
#include <optional>
#include <string>

namespace ombrix {

namespace {

constexpr int kRunDoneDelayMs = 100;

bool isImap(const AccountRecord& account) {
    return account.protocol == 1;
}

// Checked before anything is sent: a hand-over that does not fit the list, or
// an IMAP uid that is not a single number, could hit other mails.
bool handOverFits(const DeletionRequest& request, const AccountRecord& account) {
    if (!deletionListValid(request, account))
        return false;
    if (!isImap(account))
        return true;
    return std::ranges::all_of(request.mailIndex, [&account](std::int32_t k) {
        return imapUidSendable(account.mails.uid(k));
    });
}

bool startRun(const DeletionRequest& request) {
    if (request.account < 0 || static_cast<std::uint32_t>(request.account) >= accountCount)
        return false;
    if (checkRunning != 0 || deleteRunning.exchange(1) != 0)
        return false;
    abortRequest = 0;
    closeOnButton = 0;
    return true;
}

DeleteResult endFailed(DeletionSession& session, RunHost& host) {
    const std::string text = delete_texts::runFailed(session.account.errorText);
    const bool dialogShown = windowHidden == 0;
    if (dialogShown) {
        host.waitForWaitDialog();
        host.setWaitText(text);
        host.showWaitButton();
    }
    closeOnButton = 1;
    deleteRunning = 0;
    if (!dialogShown)
        host.messageBox(text, BoxKind::Ok);
    return {DeleteOutcome::Failed, text};
}

DeleteResult cleanResult(const DeletionSession& session, bool aborted) {
    if (session.inconsistent())
        return {DeleteOutcome::Inconsistent, delete_texts::inconsistent()};
    if (session.declined())
        return {DeleteOutcome::Declined, session.why()};
    if (aborted)
        return {DeleteOutcome::Aborted, delete_texts::aborted()};
    if (session.unconfirmed())
        return {DeleteOutcome::Incomplete, session.why()};
    return {DeleteOutcome::Done, {}};
}

// A deletion the server did not confirm is told like a stale list is: the
// list is checked again either way, but the user should not take the mails for gone.
DeleteResult endClean(DeletionSession& session, RunHost& host) {
    DeleteResult result = cleanResult(session, abortRequest != 0);
    if (result.outcome == DeleteOutcome::Incomplete)
        host.messageBox(result.why, BoxKind::Ok);
    session.progress.close();
    {
        const CommitBracket bracket;
        session.account.checked = 0;
    }
    deleteRunning = 0;
    host.armRunDone(kRunDoneDelayMs);
    return result;
}

} // namespace

DeleteResult runDeletion(RunHost& host, const DeletionRequest& request,
                         const DeleteTimeouts& timeouts) {
    if (!startRun(request))
        return {DeleteOutcome::NotStarted, delete_texts::notStarted()};
    AccountRecord& account = accounts[static_cast<std::size_t>(request.account)];
    const std::optional<std::string> refusal = runPasswordRefusal(
        fetchRunPasswords({&abortRequest, std::chrono::milliseconds(timeouts.replyMs)},
                          keyringEntriesOf(readProgramConf())),
        request.account);
    {
        const CommitBracket bracket;
        account.errorFlag = 0; // the end reports only failures of this run
    }
    host.stopAlarmTimers();

    DeletionSession session(account, request, host, timeouts);
    if (refusal) {
        // Without its password the account meets no server; nothing changes.
        {
            const CommitBracket bracket;
            account.errorFlag = 1;
            account.errorText = *refusal;
        }
        return endFailed(session, host);
    }
    session.progress.text(delete_texts::loggingIn());
    session.progress.position(1);
    host.setTrayIcon(TrayIconKind::Checking);
    host.setTrayTooltip(delete_texts::deletingTooltip());

    if (!handOverFits(request, account))
        session.reportInconsistency();
    else if (isImap(account))
        runImapDeletion(session);
    else
        runPop3Deletion(session);

    return session.failed() ? endFailed(session, host) : endClean(session, host);
}

int DeleteThreadProc(RunHost& host, const DeletionRequest& request,
                     const DeleteTimeouts& timeouts) {
    runDeletion(host, request, timeouts);
    return 0;
}

} // namespace ombrix
