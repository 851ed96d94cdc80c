// The check over TLS against a server that breaks the connection set-up:
// one that accepts and then says nothing (no hand-shake) must not hang a run.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

std::vector<FaultCase> tlsCases(Protocol protocol) {
    const std::string login = protocol == Protocol::Pop3 ? "PASS" : "LOGIN";
    return {
        {"SilentBeforeHandshake", {{"CONNECT", ""}, FaultKind::Stall}, Outcome::Fails},
        {"DeafBeforeHandshake", {{"CONNECT", ""}, FaultKind::StopReading}, Outcome::Fails},
        {"ClosedBeforeHandshake", {{"CONNECT", ""}, FaultKind::Close}, Outcome::Fails},
        {"SilentAfterHandshake", {{"GREETING", ""}, FaultKind::Stall}, Outcome::Fails},
        {"SplitGreeting", {{"GREETING", ""}, FaultKind::Split}, Outcome::Succeeds},
        {"LoginRefused", {{login, ""}, FaultKind::Refuse}, Outcome::Fails},
    };
}

class TlsFaults : public testing::TestWithParam<Protocol> {};

TEST_P(TlsFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckCases(tlsCases(GetParam()), {GetParam()}, true);
}

INSTANTIATE_TEST_SUITE_P(Connections, TlsFaults, testing::Values(Protocol::Pop3, Protocol::Imap),
                         [](const auto& p) {
                             return std::string(p.param == Protocol::Pop3 ? "Pop3" : "Imap");
                         });

} // namespace
} // namespace ombrix::test
