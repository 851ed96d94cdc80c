#include "check/check_run.h"

#include "check/check_texts.h"
#include "check/imap_dialogue.h"
#include "check/mail_sort.h"
#include "check/ordered_run_host.h"
#include "check/pop3_dialogue.h"
#include "config/keyring_marks.h"
#include "config/keyring_removals.h"
#include "config/read_state_switches.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "net/mail_socket.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ombrix {

namespace {

constexpr int kRunDoneDelayMs = 10;

// The run's scratch data: two account records, on the heap, kept from one run
// to the next. Their mail lists are emptied after each account: the working
// list moves into the slot, and neither may hold mails between runs.
struct RunScratch {
    std::unique_ptr<AccountRecord> workingList = std::make_unique<AccountRecord>();
    std::unique_ptr<AccountRecord> previousList = std::make_unique<AccountRecord>();
    // Its refusals are its own: accounts checked side by side must not read
    // each other's in a process-wide flag.
    ReplyBuffer reply{ReplyBuffer::kCheckCapacity, RefusalReport::BufferOnly};
    CMailSocket socket{abortRequest};
};

// Accounts checked at once. Each waits on its server most of the time, so a
// few of them overlap their round trips; the window still sees one account
// after another (OrderedRunHost). Six connections from one desktop stay
// within what providers allow a user at once, even when every account is
// on the same server.
constexpr std::size_t kConcurrentChecks = 6;

// Runs never overlap (checkRunning), so one scratch per concurrent check
// serves them all, made when first needed. Never destroyed: a run still
// going at exit must not find them gone.
RunScratch& runScratch(std::size_t worker) {
    static std::array<RunScratch*, kConcurrentChecks>* const scratches =
        new std::array<RunScratch*, kConcurrentChecks>{};
    RunScratch*& scratch = (*scratches)[worker];
    if (!scratch)
        scratch = new RunScratch;
    return *scratch;
}

// What must not outlive a run in its scratch: the host's notice, the password
// and the mails.
void releaseRunData(RunScratch& scratch) {
    scratch.socket.setFaultNotice({});
    for (AccountRecord* list : {scratch.workingList.get(), scratch.previousList.get()}) {
        list->password.clear();
        list->mails.clear();
    }
}

bool startRun(RunHost& host) {
    if (deleteRunning != 0 || accountCount == 0)
        return false;
    if (checkRunning.exchange(1) != 0)
        return false;
    abortRequest = 0;
    host.stopAlarmTimers();
    host.waitForWaitDialog();
    newMailCount = 0;
    {
        const CommitBracket bracket;
        for (AccountRecord& account : accounts)
            account.newMails = 0;
    }
    return true;
}

// The run's copy of the last list leaves the previews out: they are most of
// its bytes (megabytes at 3000 mails), only the run ever writes them, and the
// closing bracket takes each kept mail's preview over from the slot. The copy
// is only ever read for its entries below the count.
void copyForCheck(AccountRecord& copy, const AccountRecord& account) {
    const int count = validMailCount(account);
    MailList list;
    list.reserve(count, 0);
    for (int i = 0; i < count; ++i)
        list.copyMail(i, account.mails, i, false);
    copy.mails = std::move(list);
    copy.mailCount = count;
}

// The working list starts as the account without its mails: the dialogue
// fills every entry below the count it lists, from the last list or the
// server, so copying the old entries (bodies of up to 3000 mails) would be
// work thrown away. It also carries the account's check state (checked,
// errorFlag, errorText) while the dialogue runs: the slot itself learns the
// outcome only in the closing bracket.
void startWorkingList(AccountRecord& workingList, const AccountRecord& account) {
    workingList.name = account.name;
    workingList.host = account.host;
    workingList.user = account.user;
    workingList.password = account.password;
    workingList.oauthProvider = account.oauthProvider;
    workingList.useSsl = account.useSsl;
    workingList.protocol = account.protocol;
    workingList.port = account.port;
    workingList.uidValidity = account.uidValidity;
    workingList.uidNext = account.uidNext;
    workingList.highestModseq = account.highestModseq;
    workingList.deactivated = account.deactivated;
    workingList.mailCount = validMailCount(account);
    workingList.mails.clear();
    workingList.errorFlag = 0;
    workingList.errorText = account.errorText;
    workingList.checked = 0;
}

// What the slot was before its check, for an abort to put back: an aborted
// check tells nothing new about the account, so its row stays as it was.
struct SlotState {
    std::uint8_t checked = 0;
    std::uint8_t errorFlag = 0;
    std::string errorText;
    // Where the account's read state follows the server: the read marks as
    // the check began, to tell the marks the user changed while it ran.
    bool followServer = false;
    std::vector<std::uint8_t> read{};
};

// The opening bracket: the check takes the account's settings and the slot
// shows the check running (checked and errorFlag 0). False for a skipped
// account. The last list is copied only once a listing needs it (see
// takeLastList): the window changes no more than read marks while a check
// runs, and an unchanged IMAP box needs no copy at all.
bool openCheck(AccountRecord& account, RunScratch& scratch, SlotState& before,
               const ProgramConf& conf) {
    const CommitBracket bracket;
    if (account.deactivated == 1 || abortRequest != 0)
        return false;
    before = {account.checked, account.errorFlag, account.errorText};
    before.followServer = readStateInEffect(conf, keyringKeyOf(account)).followServer;
    if (before.followServer)
        for (int i = 0; i < validMailCount(account); ++i)
            before.read.push_back(account.mails[i].read);
    startWorkingList(*scratch.workingList, account);
    account.checked = 0;
    account.errorFlag = 0;
    return true;
}

// Gives each mail the working list took over from the last list its preview
// from the slot (see copyForCheck and MailList::takeKeptTexts), and its read
// mark as the slot has it now: the user may have marked it read or unread
// while the run went on, and the run's copy of the mark is older. A mail the
// server listed twice gets copies. False, with the slot untouched, when an
// entry of the slot no longer holds the mail the run took over (the window
// only ever changes read marks while a check runs, so that would be a fault).
// The read mark of the slot's entry j once the check is done: what the
// server says where the account follows it, unless the user changed the mark
// here while the run went on. That mark is the newer word, and goes to the
// server on its own way.
std::uint8_t readAfterCheck(const AccountRecord& account, int j, const AccountCheck& check,
                            const SlotState& before) {
    const std::uint8_t now = account.mails[j].read;
    const auto k = static_cast<std::size_t>(j);
    if (!before.followServer || k >= before.read.size() || before.read[k] != now)
        return now;
    const std::optional<bool> seen = check.serverSeen.seen(account.mails.uid(j));
    return seen ? static_cast<std::uint8_t>(*seen ? 1 : 0) : now;
}

bool takeOverFromSlot(AccountRecord& account, AccountRecord& workingList, const AccountCheck& check,
                      const SlotState& before) {
    const std::vector<int>& keptFrom = check.keptFrom;
    const int count = validMailCount(workingList);
    const int slotCount = validMailCount(account);
    if (keptFrom.size() < static_cast<std::size_t>(count))
        return false; // no listing: nothing to commit
    for (int i = 0; i < count; ++i) {
        const int j = keptFrom[static_cast<std::size_t>(i)];
        if (j >= slotCount || (j >= 0 && account.mails.uid(j) != workingList.mails.uid(i)))
            return false;
    }
    for (int i = 0; i < count; ++i)
        if (const int j = keptFrom[static_cast<std::size_t>(i)]; j >= 0)
            workingList.mails[i].read = readAfterCheck(account, j, check, before);
    // The slot's texts are those the run copied, the previews besides: a
    // re-check that keeps most mails takes the slot's block over.
    workingList.mails.takeKeptTexts(account.mails, keptFrom);
    return true;
}

// The copy of the last list the check works on, taken in a bracket of its own.
void takeLastList(AccountRecord& copy, const AccountRecord& account) {
    const CommitBracket bracket;
    copyForCheck(copy, account);
}

// Whether the run may take over what the dialogue left: a list kept without
// a copy must still be the one the check started from.
bool committable(AccountRecord& account, AccountRecord& workingList, const AccountCheck& check,
                 const SlotState& before) {
    if (check.lastListKept)
        return validMailCount(account) == validMailCount(workingList);
    return takeOverFromSlot(account, workingList, check, before);
}

// The closing bracket, the only place where a check writes an account's mail
// list. The working list is scratch: the slot takes it over whole, and the
// slot's old list goes back as scratch, to be freed outside the bracket; a
// list kept as it was stays where it is. A failure keeps the old
// list and shows the failure. True when the account's check passed.
bool closeCheck(AccountRecord& account, AccountRecord& workingList, const AccountCheck& check,
                const SlotState& before) {
    const CommitBracket bracket;
    account.newMails += check.newMails; // counted in newMailCount whatever the outcome
    if (abortRequest != 0 ||
        (workingList.errorFlag == 0 && !committable(account, workingList, check, before))) {
        account.checked = before.checked;
        account.errorFlag = before.errorFlag;
        account.errorText = before.errorText;
        return false;
    }
    if (workingList.errorFlag != 0) {
        account.errorFlag = 1;
        account.errorText = workingList.errorText;
        account.checked = workingList.checked; // IMAP marks a failed account checked
        return false;
    }
    if (!check.lastListKept) {
        const int count = validMailCount(workingList);
        account.mailCount = count;
        workingList.mails.resize(count);
        std::swap(account.mails, workingList.mails);
    } else if (check.followServer) {
        for (int i = 0; i < validMailCount(account); ++i)
            account.mails[i].read = readAfterCheck(account, i, check, before);
    }
    account.uidNext = workingList.uidNext;
    account.highestModseq = workingList.highestModseq;
    account.uidValidity = workingList.uidValidity;
    account.checked = 1;
    return true;
}

// Between the brackets the dialogue works on the run's copies alone: the
// working list stands in for the slot. An account whose password the keyring
// did not give fails with the reason and meets no server.
// The account commits only in its turn: its result lands after those of the
// accounts before it. A check that passed tells the host that the account's
// login passed.
void checkAccount(int row, RunScratch& scratch, OrderedRunHost& host, const CheckTimeouts& timeouts,
                  const std::optional<std::string>& refusal) {
    AccountRecord& account = accounts[static_cast<std::size_t>(row)];
    SlotState before;
    if (!openCheck(account, scratch, before, readProgramConf()))
        return;
    AccountRecord& working = *scratch.workingList;
    MailTriples triples;
    PreviousUidIndex previousUids;
    CheckProgress progress(host);
    AccountCheck check{
        .account = working,
        .workingList = working,
        .previousList = *scratch.previousList,
        .previousUids = previousUids,
        .triples = triples,
        .reply = scratch.reply,
        .socket = scratch.socket,
        .progress = progress,
        .timeouts = timeouts,
        .fetchList = {},
        .movedTo = {},
        .reuseKnownMails = true,
        .keptFrom = {},
        .takePreviousList = [&account, &scratch] { takeLastList(*scratch.previousList, account); },
        .lastListKept = false,
        .newMails = 0,
        .followServer = before.followServer,
        .serverSeen = {}};
    if (refusal) {
        working.errorFlag = 1;
        working.errorText = *refusal;
        host.awaitTurn();
        closeCheck(account, working, check, before);
        working.mails.clear();
        return;
    }
    const bool imap = working.protocol == 1;
    host.setTrayIcon(TrayIconKind::Checking);
    host.setTrayTooltip(check_texts::checkingTooltip());

    progress.text(check_texts::checkingAccount(working.name));
    if (!imap) {
        progress.showButton();
        progress.range(0, 10);
        progress.position(1);
    }
    if (imap)
        runImapDialogue(check);
    else
        runPop3Dialogue(check);
    working.mails.shrinkToFit(); // the list may go to the slot as it is
    host.awaitTurn();
    const bool passed = closeCheck(account, working, check, before);
    // Outside the bracket: the slot's old list, or the one not taken.
    working.mails.clear();
    scratch.previousList->mails.clear();
    if (passed)
        host.accountLoggedIn(row);
}

void endRun(RunHost& host, std::uint8_t sortOrder) {
    {
        const CommitBracket bracket;
        for (std::uint32_t k = 0; k < accountCount && k < kMaxAccounts; ++k)
            SortMailList(accounts[k], sortOrder);
    }
    CheckProgress(host).close();
    host.armRunDone(kRunDoneDelayMs);
    checkRunning = 0;
}

} // namespace

void CheckThread(RunHost& host, const CheckTimeouts& timeouts, std::uint8_t sortOrder) {
    if (!startRun(host))
        return;
    const std::vector<PasswordAnswer> passwords =
        fetchRunPasswords({&abortRequest, std::chrono::milliseconds(timeouts.replyMs)},
                          keyringEntriesOf(readProgramConf()));
    const std::size_t count = std::min<std::size_t>(accountCount, kMaxAccounts);
    std::vector<std::unique_ptr<OrderedRunHost>> hosts;
    for (std::size_t k = 0; k < count; ++k)
        hosts.push_back(std::make_unique<OrderedRunHost>(host));
    hosts[0]->release();
    std::atomic<std::size_t> next{0};
    // Takes the next account until none is left; each hands the turn on once
    // it has committed, or had nothing to commit.
    const auto work = [&](std::size_t worker) {
        RunScratch& scratch = runScratch(worker);
        for (std::size_t k = next++; k < count; k = next++) {
            OrderedRunHost& accountHost = *hosts[k];
            scratch.socket.setFaultNotice([&accountHost](const std::string& text) {
                accountHost.messageBox(text, BoxKind::Ok);
            });
            checkAccount(static_cast<int>(k), scratch, accountHost, timeouts,
                         runPasswordRefusal(passwords, static_cast<int>(k)));
            accountHost.awaitTurn();
            if (k + 1 < count)
                hosts[k + 1]->release();
        }
        releaseRunData(scratch); // before checkRunning lets the next run in
    };
    std::vector<std::thread> helpers;
    for (std::size_t worker = 1; worker < std::min(kConcurrentChecks, count); ++worker)
        helpers.emplace_back(work, worker);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();
    endRun(host, sortOrder);
}

} // namespace ombrix
