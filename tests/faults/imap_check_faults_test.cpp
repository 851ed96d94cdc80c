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
        // Every unknown mail in one UID FETCH. A batch refused goes on one mail
        // at a time, and so does a mail whose response could not be paired.
        {"FetchBatch",
         {"UID FETCH", "BODY.PEEK[HEADER]"},
         failing({Close, Stall, LongLine, Garbage}) + either({Nul, HugeCount, LyingLiteral}) +
             succeeding({Refuse, Bad, BadText, ExtraFetch, Split, Reorder})},
        {"Logout", {"LOGOUT", ""}, either({Close, Stall, Garbage, Refuse, Bad, Nul})},
    };
}

// The one-mail dialogue, where a server refuses the batches.
std::vector<StepRow> imapOneMailRows() {
    return {
        // A reply about no mail, or refused, is no mail.
        {"FetchBody",
         {"FETCH", "BODY"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText, Nul}) +
             either({LyingLiteral}) + succeeding({ExtraFetch, Split})},
        {"FetchSize",
         {"FETCH", "RFC822.SIZE"},
         failing({Close, Stall, LongLine, Garbage, Refuse, Bad, BadText}) +
             either({Nul, HugeCount})},
    };
}

class ImapCheckFaults : public testing::TestWithParam<StepRow> {};

TEST_P(ImapCheckFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckRow(GetParam(), {Protocol::Imap});
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapCheckFaults, testing::ValuesIn(imapCheckRows()), rowName);

class ImapOneMailFaults : public testing::TestWithParam<StepRow> {};

TEST_P(ImapOneMailFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckRow(GetParam(), {.protocol = Protocol::Imap, .refusesBatches = true});
}

INSTANTIATE_TEST_SUITE_P(Steps, ImapOneMailFaults, testing::ValuesIn(imapOneMailRows()), rowName);

} // namespace
} // namespace ombrix::test
