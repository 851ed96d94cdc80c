// ombrix --check against a POP3 server that breaks one step of the dialogue.
// Without its reply, or with a refusal, no step the list depends on may pass;
// garbage and NUL may pass where the list still comes out right.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

using enum FaultKind;

std::vector<StepRow> pop3CheckRows() {
    return {
        {"Greeting",
         {"GREETING", ""},
         failing({Close, Stall, StopReading, LongLine, Refuse, BadText}) + either({Nul}) +
             succeeding({Split})},
        {"User", {"USER", ""}, failing({Close, Stall, LongLine, Refuse}) + either({Garbage, Nul})},
        {"Pass", {"PASS", ""}, failing({Close, Stall, LongLine, Refuse}) + either({Garbage, Nul})},
        {"Stat",
         {"STAT", ""},
         failing({Close, Stall, StopReading, LongLine, Refuse, BadText}) + either({Garbage}) +
             succeeding({Split})},
        {"Uidl",
         {"UIDL", ""},
         failing({Close, Stall, LongLine}) + either({Nul, HugeCount}) + succeeding({Split})},
        // A server without UIDL is served by fetching every mail without an id.
        {"Uidl",
         {"UIDL", ""},
         {{Refuse, Outcome::SucceedsNoUidl}, {BadText, Outcome::SucceedsNoUidl}}},
        {"List",
         {"LIST", ""},
         failing({Close, Stall, LongLine}) + either({Garbage, Nul, HugeCount})},
        {"Top", {"TOP", ""}, failing({Close, Stall, StopReading}) + succeeding({Split})},
        // A silent keep-alive only starts a new session; the farewell is a courtesy.
        {"Noop", {"NOOP", ""}, either({Close, Stall, Refuse, BadText, Garbage, Nul})},
        {"Quit", {"QUIT", ""}, either({Close, Stall, Refuse, BadText, Garbage, Nul})},
    };
}

class Pop3CheckFaults : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Pop3}};
};

TEST_P(Pop3CheckFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckCase(fixture, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Steps, Pop3CheckFaults, testing::ValuesIn(crossed(pop3CheckRows())),
                         [](const auto& p) { return p.param.name; });

} // namespace
} // namespace ombrix::test
