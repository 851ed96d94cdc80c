// Mailboxes that are legal but unkind: hostile bytes in subjects, mails other
// clients removed, a server without UIDPLUS.

#include "faults/fault_fixture.h"

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

class VanishedMail : public testing::TestWithParam<Protocol> {};

// A deletion whose mail another client removed first removes nothing else.
TEST_P(VanishedMail, IsNotReplacedByItsNeighbour) {
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

INSTANTIATE_TEST_SUITE_P(Protocols, VanishedMail, testing::Values(Protocol::Pop3), protocolName);

// Without UIDPLUS and without others' \Deleted mails, CLOSE removes just ours.
TEST(ServerWithoutUidPlus, DeletesTheSelectedMailWithClose) {
    FaultFixture fixture({Protocol::Imap, false});
    for (int i = 0; i < 4; ++i)
        fixture.mailbox().add();
    fixture.addAccount();
    fixture.checkCleanly();
    const std::uint32_t target = fixture.mailbox().mails()[1].uid;
    const GuardedResult deleted = fixture.deleteRows({fixture.rowOf(target)});
    expectCleanEnd(deleted, "--delete");
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(fixture.mailbox().expunged(), std::vector<std::uint32_t>{target});
    EXPECT_EQ(fixture.list(), fixture.serverMails());
}

} // namespace
} // namespace ombrix::test
