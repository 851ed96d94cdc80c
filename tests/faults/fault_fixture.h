#pragma once
// The driver of the fault suite: one fault server with one account for it in
// a temporary program directory, and the runs of the built executable
// (`--check`, `--delete 0 ROW --yes`, `--list`) with the checks every case
// shares.

#include "faults/fault_server.h"
#include "faults/guarded_run.h"
#include "support/temp_dir.h"

#include <compare>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ombrix::test {

enum class Outcome {
    Fails,          // the account fails (exit 1) and keeps its old list
    Succeeds,       // the run succeeds and lists the server's mails
    Either,         // either, as long as what it lists is right
    SucceedsNoUidl, // POP3 without UIDL: succeeds, every mail with the id "NOUIDL"
};

struct FaultCase {
    std::string name;
    Fault fault;
    Outcome outcome = Outcome::Either;
};

inline std::ostream& operator<<(std::ostream& out, const FaultCase& c) {
    return out << c.name;
}

inline void PrintTo(Protocol protocol, std::ostream* out) {
    *out << (protocol == Protocol::Pop3 ? "POP3" : "IMAP");
}

struct KindOutcome {
    FaultKind kind;
    Outcome outcome;
};

std::vector<KindOutcome> failing(std::initializer_list<FaultKind> kinds);
std::vector<KindOutcome> succeeding(std::initializer_list<FaultKind> kinds);
std::vector<KindOutcome> either(std::initializer_list<FaultKind> kinds);
std::vector<KindOutcome> operator+(std::vector<KindOutcome> a, const std::vector<KindOutcome>& b);

// One step of a dialogue, named for the case names, with the faults it gets.
struct StepRow {
    std::string name;
    FaultStep step;
    std::vector<KindOutcome> kinds;
};

// Each row's faults at its step, named "<Step>_<Kind>".
std::vector<FaultCase> crossed(const std::vector<StepRow>& rows);

// One row of `--list 0`; two rows are the same mail when UID and subject are.
struct ListedMail {
    std::string uid;
    std::string subject;
    int row = -1; // its row number, for --delete
    bool operator==(const ListedMail& other) const;
    std::strong_ordering operator<=>(const ListedMail& other) const;
};

void PrintTo(const ListedMail& mail, std::ostream* out);

class FaultFixture {
public:
    explicit FaultFixture(ServerTraits traits, bool tls = false);

    FaultServer& server() { return *server_; }
    FakeMailbox& mailbox() { return server_->mailbox(); }
    const ServerTraits& traits() const { return traits_; }

    void addAccount();
    // The runs the fault is armed for, with short reply time-outs.
    GuardedResult check();
    GuardedResult deleteRows(const std::vector<int>& rows);
    // The rows of `--list 0`, sorted by UID text.
    std::vector<ListedMail> list();
    // What a right list shows for the server's mailbox now, sorted alike.
    std::vector<ListedMail> serverMails() const;
    // The row of `--list 0` that shows this UID; -1 when none.
    int rowOf(std::uint32_t uid);
    // The same, in a listing already taken.
    int rowIn(const std::vector<ListedMail>& listed, std::uint32_t uid) const;
    std::string uidText(std::uint32_t uid) const;

    // A fault-free check that must succeed and list the server's mails; its list.
    std::vector<ListedMail> checkCleanly();
    // The same without looking at the list (a process fewer): what it must list.
    std::vector<ListedMail> checkUnlisted();

private:
    enum class Faulted { No, Yes };
    GuardedResult run(const std::vector<std::string>& arguments, Faulted faulted,
                      const std::string& input = {});

    ServerTraits traits_;
    TempDir dir_;
    TempDir certificateDir_;
    std::optional<TestCertificates> certificates_;
    std::unique_ptr<FaultServer> server_;
};

// No crash, no sanitizer report, an end within the guard, exit 0 or 1.
void expectCleanEnd(const GuardedResult& result, const std::string& what);
// What the user is shown of a failure: bounded, without control characters.
void expectPlainStatusLines(const std::string& out);

// Runs one check case: a baseline check of three mails, a fourth mail, the
// fault, and the checks of the outcome.
void runCheckCase(FaultFixture& fixture, const FaultCase& c);
// Runs one deletion case on a baseline of four mails: deletes the second.
void runDeleteCase(FaultFixture& fixture, const FaultCase& c);

// Every fault of the row, each against a fault server and program directory
// of its own, a few at a time.
void runCheckRow(const StepRow& row, ServerTraits traits, bool tls = false);
void runDeleteRow(const StepRow& row, ServerTraits traits);
// The same for cases made elsewhere.
void runCheckCases(const std::vector<FaultCase>& cases, ServerTraits traits, bool tls = false);

// A row's test name: the step's name.
inline std::string rowName(const testing::TestParamInfo<StepRow>& info) {
    return info.param.name;
}
inline void PrintTo(const StepRow& row, std::ostream* out) {
    *out << row.name;
}

} // namespace ombrix::test
