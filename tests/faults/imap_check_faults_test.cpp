// ombrix --check against an IMAP server that breaks one step of the dialogue.
// A step without its tagged OK has not been done.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

using enum FaultKind;

// A peer that stops reading is tried at one step: at any other it is a stall
// as well, since no command of the check fills a socket buffer.
std::vector<StepRow> imapCheckRows() {
    return {
        // A greeting that is not "* OK" harms nothing while the server answers LOGIN.
        {"Greeting",
         {"GREETING", ""},
         failing({Close, Stall, LongLine, Refuse, Bad, BadText, Late}) + either({Garbage, Nul}) +
             succeeding({Split})},
        {"Login",
         {"LOGIN", ""},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText}) + either({Nul})},
        {"Examine",
         {"EXAMINE", ""},
         failing({Close, Stall, StopReading, LongLine, Garbage, Refuse, Bad, BadText}) +
             either({Nul, HugeCount})},
        {"StatusUidNext",
         {"STATUS", "UIDNEXT"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText}) + either({Nul})},
        {"StatusMessages",
         {"STATUS", "MESSAGES"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText}) +
             either({Nul, HugeCount})},
        {"FetchUids",
         {"FETCH", "UID"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText}) +
             either({Nul, HugeCount}) + succeeding({ExtraFetch, Split, Reorder})},
        // A reply about no mail, or refused, is no mail.
        {"FetchBody",
         {"FETCH", "BODY"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText, Nul}) +
             either({LyingLiteral}) + succeeding({ExtraFetch, Split})},
        {"FetchSize",
         {"FETCH", "RFC822.SIZE"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText}) +
             either({Nul, HugeCount})},
        {"Logout", {"LOGOUT", ""}, either({Close, Stall, Garbage, Refuse, Bad, Nul})},
    };
}

class ImapCheckFaults : public testing::TestWithParam<StepRow> {};

TEST_P(ImapCheckFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckRow(GetParam(), {Protocol::Imap});
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapCheckFaults, testing::ValuesIn(imapCheckRows()), rowName);

} // namespace
} // namespace ombrix::test
