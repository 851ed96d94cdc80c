// The check over TLS against a server that breaks the connection set-up:
// one that accepts and then says nothing (no hand-shake) must not hang a run.

#include "faults/fault_fixture.h"

namespace ombrix::test {
namespace {

struct TlsCase {
    Protocol protocol;
    FaultCase fault;
};

std::ostream& operator<<(std::ostream& out, const TlsCase& c) {
    return out << c.fault.name;
}

std::vector<TlsCase> tlsCases() {
    std::vector<TlsCase> cases;
    for (const Protocol protocol : {Protocol::Pop3, Protocol::Imap}) {
        const std::string prefix = protocol == Protocol::Pop3 ? "Pop3_" : "Imap_";
        const std::string login = protocol == Protocol::Pop3 ? "PASS" : "LOGIN";
        const std::vector<FaultCase> faults = {
            {"SilentBeforeHandshake", {{"CONNECT", ""}, FaultKind::Stall}, Outcome::Fails},
            {"DeafBeforeHandshake", {{"CONNECT", ""}, FaultKind::StopReading}, Outcome::Fails},
            {"ClosedBeforeHandshake", {{"CONNECT", ""}, FaultKind::Close}, Outcome::Fails},
            {"SilentAfterHandshake", {{"GREETING", ""}, FaultKind::Stall}, Outcome::Fails},
            {"SplitGreeting", {{"GREETING", ""}, FaultKind::Split}, Outcome::Succeeds},
            {"LoginRefused", {{login, ""}, FaultKind::Refuse}, Outcome::Fails},
        };
        for (FaultCase c : faults) {
            c.name = prefix + c.name;
            cases.push_back({protocol, c});
        }
    }
    return cases;
}

class TlsFaults : public testing::TestWithParam<TlsCase> {
protected:
    FaultFixture fixture{{GetParam().protocol}, true};
};

TEST_P(TlsFaults, EndsCleanlyAndListsOnlyWhatTheServerHolds) {
    runCheckCase(fixture, GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(Connections, TlsFaults, testing::ValuesIn(tlsCases()),
                         [](const auto& p) { return p.param.fault.name; });

} // namespace
} // namespace ombrix::test
