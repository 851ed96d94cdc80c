#include "check/check_run.h"

#include "check/check_texts.h"
#include "check/imap_dialogue.h"
#include "check/mail_sort.h"
#include "check/pop3_dialogue.h"
#include "check/run_flags.h"
#include "net/mail_socket.h"

#include <memory>

namespace ombrix {

namespace {

constexpr int kRunDoneDelayMs = 10;

// The run's scratch data. The two lists are full account records (about
// 600 KB each), so they live on the heap for the whole run.
struct RunScratch {
    std::unique_ptr<AccountRecord> workingList = std::make_unique<AccountRecord>();
    std::unique_ptr<AccountRecord> previousList = std::make_unique<AccountRecord>();
    ReplyBuffer reply;
    CMailSocket socket;
};

bool startRun(RunHost& host) {
    if (deleteRunning != 0 || accountCount == 0)
        return false;
    if (checkRunning.exchange(1) != 0)
        return false;
    abortRequest = 0;
    host.stopAlarmTimers();
    waitForWaitDialog();
    newMailCount = 0;
    return true;
}

void copyForCheck(AccountRecord& copy, const AccountRecord& account) {
    copy = account;
    copy.mailCount = validMailCount(account);
}

// The working list starts as the account without its mails: the dialogue
// fills every entry below the count it lists, from the last list or the
// server, so copying the old entries (bodies of up to 3000 mails) would be
// work thrown away.
void startWorkingList(AccountRecord& workingList, const AccountRecord& account) {
    workingList.name = account.name;
    workingList.host = account.host;
    workingList.user = account.user;
    workingList.password = account.password;
    workingList.useSsl = account.useSsl;
    workingList.protocol = account.protocol;
    workingList.port = account.port;
    workingList.uidValidity = account.uidValidity;
    workingList.uidNext = account.uidNext;
    workingList.deactivated = account.deactivated;
    workingList.mailCount = validMailCount(account);
    workingList.errorFlag = account.errorFlag;
    workingList.errorText = account.errorText;
    workingList.checked = account.checked;
}

// The only place where a check writes an account's mail arrays. The working
// list is scratch, so its entries are exchanged, not copied.
void commit(AccountRecord& account, AccountRecord& workingList) {
    dataIdle = 0;
    const int count = validMailCount(workingList);
    account.mailCount = count;
    for (int i = 0; i < count; ++i)
        exchangeMail(account, i, workingList, i);
    account.uidNext = workingList.uidNext;
    account.uidValidity = workingList.uidValidity;
    account.checked = 1;
    dataIdle = 1;
}

void checkAccount(AccountRecord& account, RunScratch& scratch, RunHost& host,
                  const CheckTimeouts& timeouts) {
    // An aborted check tells nothing new about the account: its row stays as it was.
    const std::uint8_t wasChecked = account.checked;
    const std::uint8_t oldErrorFlag = account.errorFlag;
    const std::string oldErrorText = account.errorText;
    account.checked = 0;
    startWorkingList(*scratch.workingList, account);
    const bool imap = account.protocol == 1;
    if (imap)
        imapRefused = 0;
    copyForCheck(*scratch.previousList, account);
    account.errorFlag = 0;
    host.setTrayIcon(TrayIconKind::Checking);
    host.setTrayTooltip(check_texts::checkingTooltip());

    CheckProgress progress(host);
    progress.text(check_texts::checkingAccount(account.name));
    if (!imap) {
        progress.showButton();
        progress.range(0, 10);
        progress.position(1);
    }
    const MailTriples triples(*scratch.previousList);
    const PreviousUidIndex previousUids(*scratch.previousList);
    AccountCheck check{.account = account,
                       .workingList = *scratch.workingList,
                       .previousList = *scratch.previousList,
                       .previousUids = previousUids,
                       .triples = triples,
                       .reply = scratch.reply,
                       .socket = scratch.socket,
                       .progress = progress,
                       .timeouts = timeouts,
                       .fetchList = {},
                       .movedTo = {},
                       .reuseKnownMails = true};
    if (imap)
        runImapDialogue(check);
    else
        runPop3Dialogue(check);

    if (abortRequest == 0 && account.errorFlag == 0) {
        commit(account, *scratch.workingList);
    } else if (abortRequest != 0) {
        account.checked = wasChecked;
        account.errorFlag = oldErrorFlag;
        account.errorText = oldErrorText;
    }
}

void endRun(RunHost& host) {
    dataIdle = 0;
    for (std::uint32_t k = 0; k < accountCount; ++k)
        SortMailList(accounts[k], sortOrder);
    dataIdle = 1;
    CheckProgress(host).close();
    host.armRunDone(kRunDoneDelayMs);
    checkRunning = 0;
}

} // namespace

void CheckThread(RunHost& host, const CheckTimeouts& timeouts) {
    if (!startRun(host))
        return;
    RunScratch scratch;
    for (std::uint32_t k = 0; k < accountCount && k < kMaxAccounts; ++k) {
        AccountRecord& account = accounts[k];
        if (account.deactivated == 1 || abortRequest != 0)
            continue;
        checkAccount(account, scratch, host, timeouts);
    }
    endRun(host);
}

} // namespace ombrix
