// The check run against the real test Dovecot over IMAP, plain and TLS.
// Users of this program: frank (mailbox changes), carol and dave (logins only).

#include "check/dovecot_check.h"
#include "config/read_state_switches.h"
#include "core/password_keyring.h"
#include "proto/session_texts.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

const std::string kImapUser = "frank";

class DovecotImapCheck : public DovecotTest, public testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }

    AccountRecord& account(const std::string& user = kImapUser) {
        return configureAccount(0, server(), user, server().password(user), GetParam());
    }
};

TEST_P(DovecotImapCheck, FirstCheckListsEveryMailAndTheSecondFetchesNone) {
    const int count = 60;
    fillMailbox(server(), kImapUser, count, "imap-list");
    AccountRecord& a = account();

    const RunOutcome first = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.checked, 1);
    EXPECT_EQ(first.runDoneCount, 1);
    EXPECT_EQ(first.newMails, count);
    EXPECT_EQ(first.receiveTimeouts, 0u);
    // The UID list, then every mail in one batch.
    EXPECT_EQ(countCommands(first, "FETCH"), 1);
    EXPECT_EQ(countCommands(first, "UID"), 1);
    EXPECT_EQ(countCommands(first, "LOGOUT"), 1);
    const MailboxListing listing = listMailbox(server(), kImapUser);
    EXPECT_EQ(a.uidValidity, std::to_string(listing.uidValidity));
    EXPECT_EQ(a.uidNext, std::to_string(listing.uidNext));
    expectListMatchesServer(a, GetParam(), server(), kImapUser);
    for (const MailEntry& mail : inServerOrder(a))
        EXPECT_EQ(mail.read, 0);
    const std::vector<MailEntry> firstList = inServerOrder(a);

    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.checked, 1);
    EXPECT_EQ(second.newMails, 0);
    EXPECT_EQ(second.receiveTimeouts, 0u);
    EXPECT_EQ(countCommands(second, "FETCH"), 0);
    EXPECT_EQ(countCommands(second, "STATUS"), 2);
    EXPECT_EQ(inServerOrder(a), firstList);
}

TEST_P(DovecotImapCheck, MailAddedBetweenTwoChecksIsTheOnlyNewOne) {
    fillMailbox(server(), kImapUser, 8, "imap-add");
    AccountRecord& a = account();
    // Marks made here, kept here: the described local read state.
    test::changeProgramConf([&](ProgramConf& conf) {
        setReadStateSwitches(conf, keyringKeyOf(a), {false, false});
    });
    ASSERT_EQ(runCheck(server().caFile).newMails, 8);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    // The user has read the mails at even server positions.
    for (int i = 0; i < validMailCount(a); ++i)
        a.mails[i].read = a.mails[i].serverPosition % 2 == 0 ? 1 : 0;

    addMail(server(), kImapUser, "imap-add");
    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(second.newMails, 1);
    EXPECT_EQ(second.receiveTimeouts, 0u);
    EXPECT_EQ(countCommands(second, "FETCH"), 1); // the UID list
    EXPECT_EQ(countCommands(second, "UID"), 1);   // the new mail
    expectListMatchesServer(a, GetParam(), server(), kImapUser);
    const std::vector<MailEntry> mails = inServerOrder(a);
    ASSERT_EQ(mails.size(), 9u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(mails[i].read, i % 2 == 0 ? 1 : 0) << "position " << i;
    EXPECT_EQ(mails[8].read, 0);
}

TEST_P(DovecotImapCheck, RecreatedMailboxIsListedAnewUnderItsNewUidValidity) {
    fillMailbox(server(), kImapUser, 5, "imap-validity");
    AccountRecord& a = account();
    runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    const std::string oldValidity = a.uidValidity;

    // Same count, different mails: nothing may be copied by the old UIDs.
    fillMailbox(server(), kImapUser, 5, "imap-validity-2");
    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_NE(a.uidValidity, oldValidity);
    EXPECT_EQ(countCommands(second, "FETCH"), 1); // the UID list
    EXPECT_EQ(countCommands(second, "UID"), 1);   // all five anew
    expectListMatchesServer(a, GetParam(), server(), kImapUser);
}

TEST_P(DovecotImapCheck, WrongPasswordFailsWithTheServersReplyAndKeepsTheList) {
    fillMailbox(server(), kImapUser, 3, "imap-wrong");
    AccountRecord& a = account();
    runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    const std::vector<MailEntry> before = inServerOrder(a);
    const std::string uidNext = a.uidNext;

    a.password = "not-" + a.password;
    const RunOutcome failed = runCheck(server().caFile);
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.checked, 1); // a failure shows through errorFlag
    EXPECT_TRUE(a.errorText.starts_with("a000 NO ")) << a.errorText;
    EXPECT_NE(a.errorText.find("Authentication failed"), std::string::npos) << a.errorText;
    EXPECT_EQ(a.errorText.find_first_of("\r\n"), std::string::npos) << "shown on one line";
    EXPECT_EQ(countCommands(failed, "EXAMINE"), 0);
    EXPECT_EQ(countCommands(failed, "LOGOUT"), 0);
    EXPECT_EQ(failed.receiveTimeouts, 0u);
    EXPECT_EQ(inServerOrder(a), before);
    EXPECT_EQ(a.uidNext, uidNext);
}

TEST_P(DovecotImapCheck, PasswordsWithBlanksQuotesAndBackslashesLogIn) {
    for (const std::string user : {"carol", "dave"}) {
        SCOPED_TRACE(user);
        AccountRecord& a = account(user);
        runCheck(server().caFile);
        EXPECT_EQ(a.errorFlag, 0) << a.errorText;
        EXPECT_EQ(a.checked, 1);
        EXPECT_FALSE(a.uidValidity.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotImapCheck, testing::Values(kImapPlain, kImapTls),
                         [](const auto& endpoint) { return std::string(endpoint.param.name); });

class DovecotImapTlsCheck : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }
};

TEST_F(DovecotImapTlsCheck, ServerSignedByAnUntrustedCaFailsWithTheReason) {
    AccountRecord& a =
        configureAccount(0, server(), kImapUser, server().password(kImapUser), kImapTls);
    const RunOutcome outcome = runCheck(server().untrustedCaFile);
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText,
              session_texts::certificateNotTrusted() + " (unable to get local issuer certificate)");
    EXPECT_TRUE(outcome.commands.empty());
}

} // namespace
} // namespace ombrix::test
