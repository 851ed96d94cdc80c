#include "faults/fault_fixture.h"

#include "faults/concurrent_cases.h"

#include <algorithm>
#include <sstream>
#include <tuple>

namespace ombrix::test {
namespace {

// Every reply time-out of a faulted run is cut to this, so that a stalled
// step costs a second and a half, not the shipped quarter of a minute. The
// healthy steps before the fault still have far more than a reply on the
// loopback takes, also in a sanitizer build on a loaded machine. The runs
// that set up and look (adding the account, the fault-free checks, --list)
// keep the shipped time-outs.
constexpr const char* kShortReplyTimeout = "OMBRIX_TEST_REPLY_TIMEOUT_MS=1500";
// Cases of one row that run at once. Most of a case is waiting; more at once
// would only make the machine busier without ending the row sooner.
constexpr std::size_t kCasesAtOnce = 4;
// Only a hung run reaches it; sanitizer builds on a loaded machine are slow.
constexpr std::chrono::seconds kGuard{120};
// The status text is bounded to 300 bytes; the account name and "Error: " come on top.
constexpr std::size_t kMaxStatusLine = 360;
constexpr const char* kPassword = "secret";

// The tab-separated fields of a line; an empty last field counts.
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos;
         start = tab + 1, tab = line.find('\t', start))
        out.push_back(line.substr(start, tab - start));
    out.push_back(line.substr(start));
    return out;
}

std::string caseName(const std::string& step, FaultKind kind) {
    return step + "_" + std::string(faultName(kind));
}

} // namespace

namespace {

std::vector<KindOutcome> withOutcome(std::initializer_list<FaultKind> kinds, Outcome outcome) {
    std::vector<KindOutcome> out;
    for (const FaultKind kind : kinds)
        out.push_back({kind, outcome});
    return out;
}

} // namespace

std::vector<KindOutcome> failing(std::initializer_list<FaultKind> kinds) {
    return withOutcome(kinds, Outcome::Fails);
}

std::vector<KindOutcome> succeeding(std::initializer_list<FaultKind> kinds) {
    return withOutcome(kinds, Outcome::Succeeds);
}

std::vector<KindOutcome> either(std::initializer_list<FaultKind> kinds) {
    return withOutcome(kinds, Outcome::Either);
}

std::vector<KindOutcome> operator+(std::vector<KindOutcome> a, const std::vector<KindOutcome>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<FaultCase> crossed(const std::vector<StepRow>& rows) {
    std::vector<FaultCase> cases;
    for (const StepRow& row : rows)
        for (const KindOutcome& k : row.kinds)
            cases.push_back({caseName(row.name, k.kind), {row.step, k.kind}, k.outcome});
    return cases;
}

bool ListedMail::operator==(const ListedMail& other) const {
    return uid == other.uid && subject == other.subject;
}

std::strong_ordering ListedMail::operator<=>(const ListedMail& other) const {
    return std::tie(uid, subject) <=> std::tie(other.uid, other.subject);
}

void PrintTo(const ListedMail& mail, std::ostream* out) {
    *out << "{" << mail.uid << ", \"" << mail.subject << "\"}";
}

FaultFixture::FaultFixture(ServerTraits traits, bool tls) : traits_(traits) {
    if (tls)
        certificates_ = makeTestCertificates(certificateDir_.path());
    server_ = std::make_unique<FaultServer>(traits, certificates_);
}

GuardedResult FaultFixture::run(const std::vector<std::string>& arguments, Faulted faulted,
                                const std::string& input) {
    std::vector<std::string> all{"--dir", dir_.path().string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment;
    if (faulted == Faulted::Yes)
        environment.push_back(kShortReplyTimeout);
    if (certificates_)
        environment.push_back("SSL_CERT_FILE=" + certificates_->caFile.string());
    return runGuarded(all, environment, input, kGuard);
}

void FaultFixture::addAccount() {
    std::vector<std::string> arguments{"--add-account", "--name",    "fault@example.org",
                                       "--host",        "127.0.0.1", "--user",
                                       "bob",           "--port",    server_->port()};
    if (traits_.protocol == Protocol::Imap)
        arguments.push_back("--imap");
    if (certificates_)
        arguments.push_back("--ssl");
    const GuardedResult result = run(arguments, Faulted::No, std::string(kPassword) + "\n");
    expectCleanEnd(result, "--add-account");
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

GuardedResult FaultFixture::check() {
    return run({"--check"}, Faulted::Yes);
}

GuardedResult FaultFixture::deleteRows(const std::vector<int>& rows) {
    std::vector<std::string> arguments{"--delete", "0"};
    for (const int row : rows)
        arguments.push_back(std::to_string(row));
    arguments.push_back("--yes");
    return run(arguments, Faulted::Yes);
}

std::vector<ListedMail> FaultFixture::list() {
    const GuardedResult result = run({"--list", "0"}, Faulted::No);
    expectCleanEnd(result, "--list");
    std::vector<ListedMail> mails;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f = fields(line);
        EXPECT_EQ(f.size(), 7u) << "a --list line: " << line;
        if (f.size() == 7)
            mails.push_back({f[6], f[3], std::stoi(f[0])});
    }
    std::ranges::sort(mails);
    return mails;
}

std::string FaultFixture::uidText(std::uint32_t uid) const {
    return traits_.protocol == Protocol::Pop3 ? pop3UniqueId(uid) : std::to_string(uid);
}

std::vector<ListedMail> FaultFixture::serverMails() const {
    std::vector<ListedMail> mails;
    for (const FakeMail& mail : server_->mailbox().mails())
        mails.push_back({uidText(mail.uid), mail.subject});
    std::ranges::sort(mails);
    return mails;
}

int FaultFixture::rowOf(std::uint32_t uid) {
    return rowIn(list(), uid);
}

int FaultFixture::rowIn(const std::vector<ListedMail>& listed, std::uint32_t uid) const {
    const auto mail = std::ranges::find(listed, uidText(uid), &ListedMail::uid);
    return mail == listed.end() ? -1 : mail->row;
}

std::vector<ListedMail> FaultFixture::checkCleanly() {
    checkUnlisted();
    std::vector<ListedMail> listed = list();
    EXPECT_EQ(listed, serverMails());
    return listed;
}

std::vector<ListedMail> FaultFixture::checkUnlisted() {
    server_->disarm();
    const GuardedResult result = run({"--check"}, Faulted::No);
    expectCleanEnd(result, "a fault-free --check");
    EXPECT_EQ(result.exitCode, 0) << "a fault-free check failed: " << result.out << result.err;
    return serverMails();
}

void expectCleanEnd(const GuardedResult& result, const std::string& what) {
    EXPECT_TRUE(result.ended) << what << " did not end within the guard";
    EXPECT_EQ(result.signal, 0) << what << " was ended by signal " << result.signal << "\n"
                                << result.err;
    EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1)
        << what << " exited with " << result.exitCode << "\n"
        << result.err;
    EXPECT_EQ(sanitizerReport(result.err), "") << result.err;
}

void expectPlainStatusLines(const std::string& out) {
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        EXPECT_LE(line.size(), kMaxStatusLine) << "a status line of " << line.size() << " bytes";
        EXPECT_TRUE(std::ranges::none_of(line,
                                         [](char c) {
                                             const auto byte = static_cast<unsigned char>(c);
                                             return (byte < 0x20 && c != '\t') || byte == 0x7f;
                                         }))
            << "a status line with control characters: " << line.substr(0, 200);
    }
}

namespace {

void expectOutcome(const GuardedResult& result, Outcome outcome) {
    if (outcome == Outcome::Fails) {
        EXPECT_EQ(result.exitCode, 1) << "the fault should fail the account\n" << result.out;
    }
    if (outcome == Outcome::Succeeds || outcome == Outcome::SucceedsNoUidl) {
        EXPECT_EQ(result.exitCode, 0) << "the fault should not fail the account\n"
                                      << result.out << result.err;
    }
}

std::vector<ListedMail> withoutUids(std::vector<ListedMail> mails) {
    for (ListedMail& mail : mails)
        mail.uid = "NOUIDL";
    std::ranges::sort(mails);
    return mails;
}

} // namespace

void runCheckCase(FaultFixture& fixture, const FaultCase& c) {
    for (int i = 0; i < 3; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    // Whatever the baseline check stored, the list after the fault is compared
    // with what it must have stored: a wrong baseline fails there.
    const std::vector<ListedMail> before = fixture.checkUnlisted();
    // A POP3 check pipelines from four unknown mails on.
    const int arriving = fixture.traits().pop3Pipelining ? 4 : 1;
    for (int i = 0; i < arriving; ++i)
        fixture.mailbox().add();

    fixture.server().arm(c.fault);
    const GuardedResult result = fixture.check();
    expectCleanEnd(result, "--check");
    EXPECT_TRUE(fixture.server().fired()) << "the dialogue never reached the step";
    expectOutcome(result, c.outcome);
    expectPlainStatusLines(result.out);
    if (result.exitCode == 1) {
        EXPECT_EQ(fixture.list(), before) << "a failed account must keep its old list";
    } else if (c.outcome == Outcome::SucceedsNoUidl) {
        EXPECT_EQ(fixture.list(), withoutUids(fixture.serverMails()));
    } else {
        EXPECT_EQ(fixture.list(), fixture.serverMails()) << "the list must show the server's mails";
    }
}

void runDeleteCase(FaultFixture& fixture, const FaultCase& c) {
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    const std::vector<ListedMail> before = fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const int row = fixture.rowIn(before, target);
    ASSERT_GE(row, 0);

    fixture.server().arm(c.fault);
    const GuardedResult result = fixture.deleteRows({row});
    expectCleanEnd(result, "--delete");
    EXPECT_TRUE(fixture.server().fired()) << "the dialogue never reached the step";
    expectOutcome(result, c.outcome);
    expectPlainStatusLines(result.out);
    const std::vector<std::uint32_t> expunged = fixture.mailbox().expunged();
    EXPECT_TRUE(std::ranges::all_of(expunged, [target](std::uint32_t uid) {
        return uid == target;
    })) << "the deletion removed mails nobody selected";
    if (result.exitCode == 0) {
        EXPECT_EQ(expunged, std::vector<std::uint32_t>{target})
            << "a deletion that reports success must have removed the selected mail";
    }
    // --delete ends with a check, fault-free since the fault has struck: it
    // lists what the server holds now, whatever the deletion did.
    EXPECT_EQ(fixture.list(), fixture.serverMails())
        << "the check after the deletion must list the server's mails";
}

namespace {

std::vector<std::string> namesOf(const std::vector<FaultCase>& cases) {
    std::vector<std::string> names;
    for (const FaultCase& c : cases)
        names.push_back(c.name);
    return names;
}

using CaseRunner = void (*)(FaultFixture&, const FaultCase&);

void runEach(const std::vector<FaultCase>& cases, ServerTraits traits, bool tls,
             CaseRunner runCase) {
    runConcurrently(
        namesOf(cases),
        [&](std::size_t i) {
            FaultFixture fixture(traits, tls);
            runCase(fixture, cases[i]);
        },
        kCasesAtOnce);
}

} // namespace

void runCheckCases(const std::vector<FaultCase>& cases, ServerTraits traits, bool tls) {
    runEach(cases, traits, tls, runCheckCase);
}

void runCheckRow(const StepRow& row, ServerTraits traits, bool tls) {
    runEach(crossed({row}), traits, tls, runCheckCase);
}

void runDeleteRow(const StepRow& row, ServerTraits traits) {
    runEach(crossed({row}), traits, false, runDeleteCase);
}

} // namespace ombrix::test
