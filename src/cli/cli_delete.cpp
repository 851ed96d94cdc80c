#include "cli/cli_command.h"
#include "cli/cli_rows.h"
#include "cli/interrupt_watch.h"
#include "cli/stderr_run_host.h"
#include "cli/terminal_text.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/process_state.h"
#include "core/run_flags.h"
#include "delete/delete_handover.h"
#include "delete/delete_run.h"
#include "delete/delete_texts.h"
#include "mark/pending_check.h"
#include "platform/message_box.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <thread>

namespace ombrix {
namespace {

// Message boxes of the runs become lines on the command's error stream: the
// failure text and the consistency message are the user's answer here.
class StreamPresenter final : public MessagePresenter {
public:
    explicit StreamPresenter(std::ostream& err) : err_(err) { installMessagePresenter(this); }
    ~StreamPresenter() override { installMessagePresenter(nullptr); }
    StreamPresenter(const StreamPresenter&) = delete;
    StreamPresenter& operator=(const StreamPresenter&) = delete;

    BoxAnswer present(const std::string& text, const std::string&, BoxKind kind) override {
        std::string shown = terminalMessage(text); // the run's boxes quote the server
        while (shown.ends_with('\n'))
            shown.pop_back();
        err_ << shown << '\n';
        return kind == BoxKind::YesNoQuestion ? BoxAnswer::No : BoxAnswer::Ok;
    }

private:
    std::ostream& err_;
};

bool confirmed(const CliStreams& io) {
    std::string question = delete_texts::confirmDeletion();
    std::erase(question, '\r');
    while (question.ends_with('\n'))
        question.pop_back();
    io.err << question << Text(" [j/N] ", " [y/N] ") << std::flush;
    std::string answer;
    if (!std::getline(io.in, answer))
        return false;
    std::ranges::transform(answer, answer.begin(), [](char c) { return c | 0x20; });
    return answer == "y" || answer == "yes" || answer == "j" || answer == "ja";
}

// The deletion's host on a terminal: a question of the run (may a CLOSE take
// mails another program marked as deleted?) is answered No, because nobody
// is there to weigh it; the run then says why nothing was deleted. Other
// boxes are printed by the presenter like every message of the command.
class DeleteRunHost final : public StderrRunHost {
public:
    using StderrRunHost::StderrRunHost;

    BoxAnswer messageBox(const std::string& text, BoxKind kind) override {
        if (kind == BoxKind::YesNoQuestion)
            return BoxAnswer::No;
        return RunHost::messageBox(text, kind);
    }
};

// A run on a worker thread of its own, as the window starts it; then what the
// window does at the run's end: save the mail lists.
template <class Host, class Run> void runAndSave(std::ostream& err, Run run) {
    Host host(err);
    std::thread worker([&host, &run] { run(host); });
    worker.join();
    if (host.runDone())
        saveState(SaveKind::MailListFile);
}

// The boxes of the run have told the user about a failure, a stale list or a
// deletion the server did not confirm; every other way of not deleting each
// selected mail is said here.
void tellWhyNotDeleted(std::ostream& err, const DeleteResult& result) {
    if (result.outcome == DeleteOutcome::Failed || result.outcome == DeleteOutcome::Inconsistent ||
        result.outcome == DeleteOutcome::Incomplete)
        return;
    err << "ombrix: " << terminalLine(result.why) << '\n';
}

// What the user was asked about: each selected row's mail, as the list showed it.
struct AskedMail {
    int row;
    std::string uid;
    std::string from;
    std::string subject;
    bool operator==(const AskedMail&) const = default;
};

std::vector<AskedMail> askedMails(const AccountRecord& account, const std::vector<int>& rows) {
    std::vector<AskedMail> mails;
    for (const int row : rows)
        mails.push_back({row, std::string(account.mails.uid(row)),
                         std::string(account.mails.from(row)),
                         std::string(account.mails.subject(row))});
    return mails;
}

// The files again, now that the directory is ours: a check may have changed
// the list while the user was asked. False when a selected row no longer
// holds the mail the question was about.
bool stillAsked(int account, const std::vector<AskedMail>& asked, const CliContext& context) {
    resetAccountsAndFlags();
    context.loadState();
    if (static_cast<std::uint32_t>(account) >= accountCount)
        return false;
    const AccountRecord& now = accounts[account];
    return std::ranges::all_of(asked, [&now](const AskedMail& mail) {
        return mail.row < validMailCount(now) && askedMails(now, {mail.row}).front() == mail;
    });
}

std::string listChangedText() {
    return Text("die Mailliste hat sich geändert, während Sie gefragt wurden; nichts wurde "
                "gelöscht. Sehen Sie mit --list nach und versuchen Sie es noch einmal.",
                "the mail list changed while you were asked; nothing was deleted. See --list "
                "and try again.");
}

int deleteRows(int account, const std::vector<int>& rows, const CliContext& context) {
    context.settlePasswords(true);
    context.needKeyringPasswords();
    const std::optional<DeletionRequest> request =
        buildDeletionList(account, accounts[account], rows);
    if (!request)
        throw UsageError("--delete takes at most " + std::to_string(kMaxMails) + " rows");
    windowHidden = 1; // no wait dialog on a terminal
    // After the question: a signal at the prompt still ends the process at once.
    const InterruptWatch interrupts;
    StreamPresenter presenter(context.io.err);
    DeleteResult result;
    runAndSave<DeleteRunHost>(context.io.err, [&result, &request](RunHost& host) {
        result = runDeletion(host, *request);
    });
    if (result.outcome != DeleteOutcome::Done)
        tellWhyNotDeleted(context.io.err, result);
    if (!interrupts.interrupted())
        runAndSave<StderrRunHost>(context.io.err,
                                  [](RunHost& host) { checkWithPendingMarks(host); });
    return interrupts.exitStatus(result.outcome == DeleteOutcome::Done ? 0 : 1);
}

} // namespace

// The delete-mail command for rows of `--list N`, then a check run that lists
// the server again. Exit 0 only when the server confirmed the deletion of
// every selected mail; otherwise 1, and stderr says why; 130 or 143 when
// SIGINT or SIGTERM aborted it (the check run is then left out). The
// question comes before the directory is claimed.
int runDelete(CommandArguments& arguments, const CliContext& context) {
    const bool yes = arguments.takeFlag("--yes");
    const std::vector<std::string> positionals = arguments.takePositionals();
    arguments.expectNoMore();
    if (positionals.size() < 2)
        throw UsageError("--delete takes an account index and at least one row");
    const int account = commandNumber("--delete", positionals[0], "an account index");
    if (const std::optional<int> code = refusedBeforeAsking(context))
        return *code;
    context.loadState();
    if (static_cast<std::uint32_t>(account) >= accountCount)
        throw UsageError("there is no account " + positionals[0]);
    const std::vector<int> rows =
        selectedRows("--delete", {positionals.begin() + 1, positionals.end()}, accounts[account],
                     positionals[0]);
    const std::vector<AskedMail> asked = askedMails(accounts[account], rows);
    if (!yes && !confirmed(context.io))
        return 1;
    return whileHoldingDirectory(context, [&] {
        if (!stillAsked(account, asked, context)) {
            context.io.err << "ombrix: " << listChangedText() << '\n';
            return 1;
        }
        return deleteRows(account, rows, context);
    });
}

} // namespace ombrix
