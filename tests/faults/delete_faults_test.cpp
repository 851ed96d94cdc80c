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
        {"Stat", {"STAT", ""}, failing({Close, Stall, Refuse})},
        {"Noop", {"NOOP", ""}, either({Close, Stall, Refuse, Garbage})},
        // A server without "UIDL n" is served by comparing the subject alone.
        {"UidlOne", {"UIDL", "UIDL "}, failing({Close, Stall}) + either({Garbage, Refuse})},
        {"ListOne", {"LIST", "LIST "}, all},
        {"Top", {"TOP", ""}, all},
        {"Dele", {"DELE", ""}, failing({Close, Stall, Refuse})},
    };
}

class Pop3DeleteFaults : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Pop3}};
};

TEST_P(Pop3DeleteFaults, RemovesOnlyTheSelectedMailAndSaysSo) {
    runDeleteCase(fixture, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Steps, Pop3DeleteFaults, testing::ValuesIn(crossed(pop3DeleteRows())),
                         [](const auto& p) { return p.param.name; });

// A server with UIDPLUS.
std::vector<StepRow> imapDeleteRows() {
    const std::vector<KindOutcome> all = failing({Close, Stall, Garbage, Refuse, Bad});
    return {
        // A greeting that is not "* OK" harms nothing while the server answers LOGIN.
        {"Greeting", {"GREETING", ""}, failing({Close, Stall, Refuse, Bad}) + either({Garbage})},
        {"Login", {"LOGIN", ""}, all},
        {"Select", {"SELECT", ""}, all},
        {"Store", {"UID STORE", ""}, failing({Close, Stall})},
        {"Logout", {"LOGOUT", ""}, either({Close, Stall, Garbage, Refuse, Bad})},
    };
}

class ImapDeleteFaults : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Imap, true}};
};

TEST_P(ImapDeleteFaults, RemovesOnlyTheSelectedMailAndSaysSo) {
    runDeleteCase(fixture, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapDeleteFaults, testing::ValuesIn(crossed(imapDeleteRows())),
                         [](const auto& p) { return p.param.name; });

} // namespace
} // namespace ombrix::test
