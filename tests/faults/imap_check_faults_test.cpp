// ombrix --check against an IMAP server that breaks one step of the dialogue.
// A step without its tagged OK has not been done.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

using enum FaultKind;

std::vector<StepRow> imapCheckRows() {
    return {
        // A greeting that is not "* OK" harms nothing while the server answers LOGIN.
        {"Greeting",
         {"GREETING", ""},
         failing({Close, Stall, StopReading, LongLine, Refuse, Bad, BadText, Late}) +
             either({Garbage, Nul}) + succeeding({Split})},
        {"Login",
         {"LOGIN", ""},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad}) + either({Nul})},
        {"Examine",
         {"EXAMINE", ""},
         failing({Close, Stall, StopReading, LongLine, Garbage, Refuse, Bad}) +
             either({Nul, HugeCount})},
        {"StatusUidNext",
         {"STATUS", "UIDNEXT"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad}) + either({Nul})},
        {"StatusMessages",
         {"STATUS", "MESSAGES"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad}) + either({Nul})},
        {"FetchUids",
         {"FETCH", "UID"},
         failing({Close, Stall, StopReading, LongLine}) + succeeding({ExtraFetch, Split})},
        {"FetchBody",
         {"FETCH", "BODY"},
         failing({Close, Stall, LongLine}) + either({LyingLiteral}) +
             succeeding({ExtraFetch, Split})},
        {"FetchSize", {"FETCH", "RFC822.SIZE"}, failing({Close, Stall}) + either({Nul, HugeCount})},
        {"Logout", {"LOGOUT", ""}, either({Close, Stall, Garbage, Refuse, Bad, Nul})},
    };
}

class ImapCheckFaults : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Imap}};
};

TEST_P(ImapCheckFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckCase(fixture, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapCheckFaults, testing::ValuesIn(crossed(imapCheckRows())),
                         [](const auto& p) { return p.param.name; });

} // namespace
} // namespace ombrix::test
