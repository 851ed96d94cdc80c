// ombrix --check against a POP3 server that breaks one step of the dialogue.
// Without its reply, or with a refusal, no step the list depends on may pass;
// garbage and NUL may pass where the list still comes out right.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

using enum FaultKind;

std::vector<KindOutcome> withoutUidl(std::initializer_list<FaultKind> kinds) {
    std::vector<KindOutcome> out;
    for (const FaultKind kind : kinds)
        out.push_back({kind, Outcome::SucceedsNoUidl});
    return out;
}

// A peer that stops reading is tried at one step: at any other it is a stall
// as well, since no command of the check fills a socket buffer.
std::vector<StepRow> pop3CheckRows() {
    return {
        {"Greeting",
         {"GREETING", ""},
         failing({Close, Stall, LongLine, Refuse, BadText, Garbage, Late}) + either({Nul}) +
             succeeding({Split})},
        {"User",
         {"USER", ""},
         failing({Close, Stall, LongLine, Refuse, BadText}) + either({Garbage, Nul})},
        {"Pass",
         {"PASS", ""},
         failing({Close, Stall, LongLine, Refuse, BadText}) + either({Garbage, Nul})},
        // A count that is missing or no mailbox's is no empty mailbox.
        {"Stat",
         {"STAT", ""},
         failing({Close, Stall, StopReading, LongLine, Refuse, BadText, Nul, HugeCount}) +
             either({Garbage}) + succeeding({Split})},
        // A server without UIDL is served by fetching every mail without an id.
        {"Uidl",
         {"UIDL", ""},
         failing({Close, Stall, LongLine}) + either({Nul, HugeCount, Garbage}) +
             succeeding({Split, Reorder}) + withoutUidl({Refuse, BadText})},
        {"List",
         {"LIST", ""},
         failing({Close, Stall, LongLine, Refuse, BadText, Garbage}) + either({Nul, HugeCount})},
        {"Top",
         {"TOP", ""},
         failing({Close, Stall, LongLine, Refuse, BadText, Garbage, Nul}) + succeeding({Split})},
        // A silent keep-alive only starts a new session; the farewell is a courtesy.
        {"Noop", {"NOOP", ""}, either({Close, Stall, Refuse, BadText, Garbage, Nul})},
        {"Quit", {"QUIT", ""}, either({Close, Stall, Refuse, BadText, Garbage, Nul})},
    };
}

class Pop3CheckFaults : public testing::TestWithParam<StepRow> {};

TEST_P(Pop3CheckFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckRow(GetParam(), {Protocol::Pop3});
}

INSTANTIATE_TEST_SUITE_P(Steps, Pop3CheckFaults, testing::ValuesIn(pop3CheckRows()), rowName);

// A server that lists PIPELINING: CAPA, one LIST for every size, the TOPs
// pipelined. A refused CAPA or LIST only means one mail at a time.
std::vector<StepRow> pop3PipelinedRows() {
    return {
        {"Capa",
         {"CAPA", ""},
         failing({Close, Stall, LongLine}) + either({Garbage, Nul}) +
             succeeding({Refuse, BadText, Split})},
        {"ListOfAll",
         {"LIST", ""},
         failing({Close, Stall, LongLine}) + either({Garbage, Nul, HugeCount}) +
             succeeding({Refuse, BadText, Split, Reorder})},
        {"PipelinedTop",
         {"TOP", ""},
         failing({Close, Stall, LongLine, Refuse, BadText, Garbage, Nul}) + succeeding({Split})},
    };
}

class Pop3PipelinedFaults : public testing::TestWithParam<StepRow> {};

TEST_P(Pop3PipelinedFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckRow(GetParam(), {.protocol = Protocol::Pop3, .pop3Pipelining = true});
}

INSTANTIATE_TEST_SUITE_P(Steps, Pop3PipelinedFaults, testing::ValuesIn(pop3PipelinedRows()),
                         rowName);

} // namespace
} // namespace ombrix::test
