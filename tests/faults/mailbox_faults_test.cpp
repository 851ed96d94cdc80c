// Mailboxes that are legal but unkind: hostile bytes in subjects, mails other
// clients removed, a server without UIDPLUS.

#include "faults/fault_fixture.h"

#include <algorithm>

namespace ombrix::test {
namespace {

std::string protocolName(const testing::TestParamInfo<Protocol>& info) {
    return info.param == Protocol::Pop3 ? "Pop3" : "Imap";
}

class HostileSubjects : public testing::TestWithParam<Protocol> {};

// NUL and invalid UTF-8 are data: each mail is listed on its own UID. A NUL
// ends the header's text, so it comes after the subject here.
TEST_P(HostileSubjects, AreListedOnTheirOwnMails) {
    FaultFixture fixture({GetParam()});
    fixture.mailbox().add();
    fixture.mailbox().add({}, std::string("X-Note: a\0b", 11));
    fixture.mailbox().add("Subject 13 \xff\xfe\xc3\x28 end");
    fixture.addAccount();
    const GuardedResult result = fixture.check();
    expectCleanEnd(result, "--check");
    EXPECT_EQ(result.exitCode, 0) << result.out;
    const std::vector<ListedMail> listed = fixture.list();
    ASSERT_EQ(listed.size(), 3u);
    for (const ListedMail& mail : listed) {
        // "Subject <uid>", alone or followed by the hostile bytes as shown.
        const std::string own = "Subject " + mail.uid.substr(mail.uid.find_first_of("0123456789"));
        EXPECT_TRUE(mail.subject == own || mail.subject.starts_with(own + " "))
            << mail.uid << " shows " << mail.subject;
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, HostileSubjects,
                         testing::Values(Protocol::Pop3, Protocol::Imap), protocolName);

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

class VanishedMail : public testing::TestWithParam<Protocol> {};

// A deletion whose mail another client removed first removes nothing else.
TEST_P(VanishedMail, IsNotReplacedByItsNeighbour) {
    FaultFixture fixture({GetParam()});
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    const std::vector<ListedMail> listed = fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const int row = fixture.rowIn(listed, target);
    fixture.mailbox().expunge({target}); // another client was faster

    const GuardedResult deleted = fixture.deleteRows({row});
    expectCleanEnd(deleted, "--delete");
    EXPECT_EQ(deleted.exitCode, 1) << "nothing the user selected was deleted by this run";
    EXPECT_EQ(fixture.mailbox().expunged(), std::vector<std::uint32_t>{target});
    EXPECT_EQ(fixture.list(), fixture.serverMails());
}

INSTANTIATE_TEST_SUITE_P(Protocols, VanishedMail, testing::Values(Protocol::Pop3, Protocol::Imap),
                         protocolName);

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
    const std::vector<ListedMail> listed = fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const int row = fixture.rowIn(listed, target);
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

// Without UIDPLUS and without others' \Deleted mails, CLOSE removes just ours.
TEST(ServerWithoutUidPlus, DeletesTheSelectedMailWithClose) {
    FaultFixture fixture({Protocol::Imap, false});
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    const std::vector<ListedMail> listed = fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const GuardedResult deleted = fixture.deleteRows({fixture.rowIn(listed, target)});
    expectCleanEnd(deleted, "--delete");
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(fixture.mailbox().expunged(), std::vector<std::uint32_t>{target});
    EXPECT_EQ(fixture.list(), fixture.serverMails());
}

} // namespace
} // namespace ombrix::test
