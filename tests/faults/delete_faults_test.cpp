// ombrix --delete 0 ROW --yes against a server that breaks one step of the
// deletion dialogue: it never removes a mail nobody selected, and reports
// success only when the selected mail is gone.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

using enum FaultKind;

std::vector<StepRow> pop3DeleteRows() {
    const std::vector<KindOutcome> all = failing({Close, Stall, Refuse}) + either({Garbage});
    return {
        {"Greeting", {"GREETING", ""}, all},
        {"User", {"USER", ""}, all},
        {"Pass", {"PASS", ""}, all},
        {"Stat", {"STAT", ""}, failing({Close, Stall, Refuse, Garbage})},
        {"Noop", {"NOOP", ""}, either({Close, Stall, Refuse, Garbage})},
        // A server without "UIDL n" is served by comparing the subject alone.
        {"UidlOne", {"UIDL", "UIDL "}, failing({Close, Stall}) + either({Garbage, Refuse})},
        {"ListOne", {"LIST", "LIST "}, all},
        {"Top", {"TOP", ""}, all},
        {"Dele", {"DELE", ""}, failing({Close, Stall, Refuse, Garbage})},
        // The server removes the marked mail only when it accepts QUIT.
        {"Quit", {"QUIT", ""}, failing({Close, Stall, Refuse}) + either({Garbage})},
    };
}

class Pop3DeleteFaults : public testing::TestWithParam<StepRow> {};

TEST_P(Pop3DeleteFaults, RemovesOnlyTheSelectedMailAndSaysSo) {
    runDeleteRow(GetParam(), {Protocol::Pop3});
}

INSTANTIATE_TEST_SUITE_P(Steps, Pop3DeleteFaults, testing::ValuesIn(pop3DeleteRows()), rowName);

const std::vector<KindOutcome> kEveryImapFault = failing({Close, Stall, Garbage, Refuse, Bad});

// A server with UIDPLUS.
std::vector<StepRow> imapDeleteRows() {
    return {
        // A greeting that is not "* OK" harms nothing while the server answers LOGIN.
        {"Greeting", {"GREETING", ""}, failing({Close, Stall, Refuse, Bad}) + either({Garbage})},
        {"Login", {"LOGIN", ""}, kEveryImapFault},
        {"Select", {"SELECT", ""}, kEveryImapFault},
        {"SubjectProof", {"UID FETCH", "SUBJECT"}, kEveryImapFault},
        {"Store", {"UID STORE", ""}, kEveryImapFault},
        {"UidExpunge", {"UID EXPUNGE", ""}, kEveryImapFault},
        {"Logout", {"LOGOUT", ""}, either({Close, Stall, Garbage, Refuse, Bad})},
    };
}

class ImapDeleteFaults : public testing::TestWithParam<StepRow> {};

TEST_P(ImapDeleteFaults, RemovesOnlyTheSelectedMailAndSaysSo) {
    runDeleteRow(GetParam(), {Protocol::Imap, true});
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapDeleteFaults, testing::ValuesIn(imapDeleteRows()), rowName);

// A server without UIDPLUS: it looks for others' \Deleted mails, then CLOSE.
std::vector<StepRow> imapNoUidPlusDeleteRows() {
    return {
        {"SearchDeleted", {"UID SEARCH", ""}, kEveryImapFault},
        {"Close", {"CLOSE", ""}, kEveryImapFault},
    };
}

class ImapNoUidPlusDeleteFaults : public testing::TestWithParam<StepRow> {};

TEST_P(ImapNoUidPlusDeleteFaults, RemovesOnlyTheSelectedMailAndSaysSo) {
    runDeleteRow(GetParam(), {Protocol::Imap, false});
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapNoUidPlusDeleteFaults,
                         testing::ValuesIn(imapNoUidPlusDeleteRows()), rowName);

} // namespace
} // namespace ombrix::test
