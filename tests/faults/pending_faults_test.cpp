#include "faults/fault_fixture.h"

#include <algorithm>

namespace ombrix::test {
namespace {

using enum FaultKind;

std::vector<StepRow> pop3CheckRows() {
    return {
        {"Greeting", {"GREETING", ""}, failing({Garbage, Late})},
        {"User", {"USER", ""}, failing({BadText})},
        {"Pass", {"PASS", ""}, failing({BadText})},
        {"Stat", {"STAT", ""}, either({Nul, HugeCount})},
        {"Uidl", {"UIDL", ""}, either({Garbage}) + succeeding({Reorder})},
        {"List", {"LIST", ""}, failing({Refuse, BadText})},
        {"Top", {"TOP", ""}, failing({LongLine, Refuse, BadText}) + either({Garbage, Nul})},
    };
}
std::vector<StepRow> imapCheckRows() {
    return {
        {"Login", {"LOGIN", ""}, failing({BadText})},
        {"Examine", {"EXAMINE", ""}, failing({BadText})},
        {"StatusUidNext", {"STATUS", "UIDNEXT"}, failing({BadText})},
        {"StatusMessages", {"STATUS", "MESSAGES"}, failing({BadText}) + either({HugeCount})},
        {"FetchUids", {"FETCH", "UID"}, failing({Garbage, Refuse, Bad, BadText}) + either({Nul, HugeCount}) + succeeding({Reorder})},
        {"FetchBody", {"FETCH", "BODY"}, failing({Garbage, Refuse, Bad, BadText}) + either({Nul})},
        {"FetchSize", {"FETCH", "RFC822.SIZE"}, failing({Garbage, LongLine, Refuse, Bad, BadText})},
    };
}
std::vector<StepRow> pop3DeleteRows() {
    return {
        {"Stat", {"STAT", ""}, either({Garbage})},
        {"Dele", {"DELE", ""}, either({Garbage})},
        {"Quit", {"QUIT", ""}, failing({Close, Stall, Refuse}) + either({Garbage})},
    };
}
std::vector<StepRow> imapDeleteRows() {
    const std::vector<KindOutcome> all = failing({Close, Stall, Garbage, Refuse, Bad});
    return {
        {"Store", {"UID STORE", ""}, failing({Garbage, Refuse, Bad})},
        {"SubjectProof", {"UID FETCH", "SUBJECT"}, all},
        {"UidExpunge", {"UID EXPUNGE", ""}, all},
    };
}
std::vector<StepRow> imapNoUidPlusRows() {
    const std::vector<KindOutcome> all = failing({Close, Stall, Garbage, Refuse, Bad});
    return {
        {"SearchDeleted", {"UID SEARCH", ""}, all},
        {"Close", {"CLOSE", ""}, all},
    };
}

class PendingPop3Check : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Pop3}};
};
TEST_P(PendingPop3Check, X) { runCheckCase(fixture, GetParam()); }
INSTANTIATE_TEST_SUITE_P(S, PendingPop3Check, testing::ValuesIn(crossed(pop3CheckRows())),
                         [](const auto& p) { return p.param.name; });
class PendingImapCheck : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Imap}};
};
TEST_P(PendingImapCheck, X) { runCheckCase(fixture, GetParam()); }
INSTANTIATE_TEST_SUITE_P(S, PendingImapCheck, testing::ValuesIn(crossed(imapCheckRows())),
                         [](const auto& p) { return p.param.name; });
class PendingPop3Delete : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Pop3}};
};
TEST_P(PendingPop3Delete, X) { runDeleteCase(fixture, GetParam()); }
INSTANTIATE_TEST_SUITE_P(S, PendingPop3Delete, testing::ValuesIn(crossed(pop3DeleteRows())),
                         [](const auto& p) { return p.param.name; });
class PendingImapDelete : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Imap, true}};
};
TEST_P(PendingImapDelete, X) { runDeleteCase(fixture, GetParam()); }
INSTANTIATE_TEST_SUITE_P(S, PendingImapDelete, testing::ValuesIn(crossed(imapDeleteRows())),
                         [](const auto& p) { return p.param.name; });
class PendingImapNoUidPlusDelete : public testing::TestWithParam<FaultCase> {
protected:
    FaultFixture fixture{{Protocol::Imap, false}};
};
TEST_P(PendingImapNoUidPlusDelete, X) { runDeleteCase(fixture, GetParam()); }
INSTANTIATE_TEST_SUITE_P(S, PendingImapNoUidPlusDelete, testing::ValuesIn(crossed(imapNoUidPlusRows())),
                         [](const auto& p) { return p.param.name; });

std::string protocolName(const testing::TestParamInfo<Protocol>& info) {
    return info.param == Protocol::Pop3 ? "Pop3" : "Imap";
}
struct FlaggedCase;
void PrintTo(const FlaggedCase& c, std::ostream* out);
class ReorderedListing : public testing::TestWithParam<Protocol> {};

// A server may list the ids in any order; each id belongs to the mail its line names.
TEST_P(ReorderedListing, DeletesTheSelectedMail) {
    FaultFixture fixture({GetParam()});
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    const bool pop3 = GetParam() == Protocol::Pop3;
    fixture.server().arm(
        {pop3 ? FaultStep{"UIDL", ""} : FaultStep{"FETCH", "UID"}, FaultKind::Reorder});
    const GuardedResult listed = fixture.check();
    expectCleanEnd(listed, "--check");
    EXPECT_TRUE(fixture.server().fired());
    EXPECT_EQ(listed.exitCode, 0) << listed.out;
    EXPECT_EQ(fixture.list(), fixture.serverMails());

    fixture.server().disarm();
    const std::uint32_t target = fixture.mailbox().mails()[0].uid;
    const GuardedResult deleted = fixture.deleteRows({fixture.rowOf(target)});
    expectCleanEnd(deleted, "--delete");
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(fixture.mailbox().expunged(), std::vector<std::uint32_t>{target});
}

INSTANTIATE_TEST_SUITE_P(Protocols, ReorderedListing,
                         testing::Values(Protocol::Pop3, Protocol::Imap), protocolName);

// A deletion whose mail another client removed first removes nothing else.
TEST_P(ReorderedListing, MailRemovedByAnotherClientIsNotReplacedByItsNeighbour) {
    FaultFixture fixture({GetParam()});
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const int row = fixture.rowOf(target);
    fixture.mailbox().expunge({target}); // another client was faster

    const GuardedResult deleted = fixture.deleteRows({row});
    expectCleanEnd(deleted, "--delete");
    EXPECT_EQ(deleted.exitCode, 1) << "nothing the user selected was deleted by this run";
    EXPECT_EQ(fixture.mailbox().expunged(), std::vector<std::uint32_t>{target});
    EXPECT_EQ(fixture.list(), fixture.serverMails());
}

struct FlaggedCase {
    std::string name;
    bool uidPlus;
    bool recreated; // the mailbox got a new UIDVALIDITY after the check
};

void PrintTo(const FlaggedCase& c, std::ostream* out) {
    *out << c.name;
}

class OthersDeletedMail : public testing::TestWithParam<FlaggedCase> {};

// Mails another client flagged \Deleted are not ours to expunge.
TEST_P(OthersDeletedMail, SurvivesOurDeletion) {
    FaultFixture fixture({Protocol::Imap, GetParam().uidPlus});
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const int row = fixture.rowOf(target);
    if (GetParam().recreated)
        fixture.mailbox().renumber();
    const std::uint32_t others = fixture.mailbox().mails()[2].uid;
    fixture.mailbox().flagDeleted(others);

    const GuardedResult deleted = fixture.deleteRows({row});
    expectCleanEnd(deleted, "--delete");
    const std::vector<std::uint32_t> expunged = fixture.mailbox().expunged();
    EXPECT_EQ(std::ranges::count(expunged, others), 0) << "another client's mail was expunged";
    if (GetParam().uidPlus && !GetParam().recreated) {
        EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
        EXPECT_EQ(expunged, std::vector<std::uint32_t>{target});
    } else {
        EXPECT_EQ(deleted.exitCode, 1) << "the deletion cannot be done without CLOSE";
        EXPECT_TRUE(expunged.empty());
        EXPECT_NE(deleted.err, "") << "a refusal says why";
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, OthersDeletedMail,
                         testing::Values(FlaggedCase{"UidPlus", true, false},
                                         FlaggedCase{"NoUidPlus", false, false},
                                         FlaggedCase{"UidPlusRecreated", true, true},
                                         FlaggedCase{"NoUidPlusRecreated", false, true}),
                         [](const auto& p) { return p.param.name; });


}
}
