// The batched and pipelined check against the one-mail dialogue, on the same
// Dovecot mailbox: every stored field of every mail must be the same bytes.
// The generated mails are folded, encoded, 8-bit, dot-leading, short, long
// and empty; 230 of them make three IMAP batches and fill the POP3 window
// many times over.

#include "check/dovecot_check.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

const std::string kUser = "quinn";
constexpr int kMails = 230;

class DovecotWireEquality : public DovecotTest, public testing::WithParamInterface<Endpoint> {
protected:
    // A first check of the mailbox by a fresh account, the wire as given.
    std::vector<MailEntry> firstCheck(const CheckTimeouts& timeouts, RunOutcome& outcome) {
        resetProcessState();
        AccountRecord& a =
            configureAccount(0, server(), kUser, server().password(kUser), GetParam());
        outcome = runCheck(server().caFile, timeouts);
        EXPECT_EQ(a.errorFlag, 0) << a.errorText;
        EXPECT_EQ(outcome.receiveTimeouts, 0u);
        return inServerOrder(a);
    }
};

TEST_P(DovecotWireEquality, FewRoundTripsStoreExactlyWhatTheOneMailDialogueStores) {
    fillMailbox(server(), kUser, kMails, "wire-equality");
    CheckTimeouts oneMailAtATime;
    oneMailAtATime.imapBatchMails = 0;
    oneMailAtATime.pop3Pipelining = false;

    RunOutcome batched;
    RunOutcome oneByOne;
    const std::vector<MailEntry> fast = firstCheck({}, batched);
    const std::vector<MailEntry> slow = firstCheck(oneMailAtATime, oneByOne);

    ASSERT_EQ(fast.size(), static_cast<std::size_t>(kMails));
    ASSERT_EQ(slow.size(), fast.size());
    for (std::size_t i = 0; i < fast.size(); ++i)
        EXPECT_TRUE(fast[i] == slow[i]) << "mail " << i << " (uid " << slow[i].uid << ")";
    if (GetParam().protocol == MailProtocol::Imap) {
        EXPECT_EQ(countCommands(batched, "UID"), 3);
        EXPECT_EQ(countCommands(batched, "FETCH"), 1) << "only the UID list: no mail alone";
        EXPECT_EQ(countCommands(oneByOne, "FETCH"), 1 + 2 * kMails);
    } else {
        EXPECT_EQ(countCommands(batched, "NOOP"), 0);
        EXPECT_EQ(countCommands(batched, "LIST"), 1) << "one LIST for every size";
        EXPECT_EQ(countCommands(oneByOne, "NOOP"), kMails);
    }
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotWireEquality,
                         testing::Values(kPop3Plain, kPop3Tls, kImapPlain, kImapTls),
                         [](const auto& endpoint) { return std::string(endpoint.param.name); });

} // namespace
} // namespace ombrix::test
