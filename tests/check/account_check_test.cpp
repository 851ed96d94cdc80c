// How a check takes known mails over from the last list: moved out of the
// scratch snapshot, a repeated id served twice, an unchanged box kept whole.

#include "check/account_check.h"
#include "check/dovecot_check.h"
#include "check/mail_triples.h"
#include "check/previous_uid_index.h"
#include "core/run_flags.h"
#include "net/mail_socket.h"
#include "proto/reply_buffer.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <memory>

namespace ombrix::test {
namespace {

MailEntry knownMail(int k) {
    const std::string n = std::to_string(k);
    return {.date = "Tue, 0" + n + " Mar 2006 10:00:00 +0100",
            .bodyPreview = std::string(500, static_cast<char>('a' + k)),
            .serverPosition = static_cast<std::uint32_t>(k),
            .read = static_cast<std::uint8_t>(k % 2),
            .from = "sender" + n,
            .subject = "subject " + n,
            .uid = "U" + n + "\r\n",
            .day = static_cast<std::uint8_t>(k),
            .month = 3,
            .year = 2006,
            .size = 1000 + k};
}

// The last list: three known mails.
std::unique_ptr<AccountRecord> lastList() {
    auto list = std::make_unique<AccountRecord>();
    list->mailCount = 3;
    for (int k = 0; k < 3; ++k)
        list->mails.setMail(k, knownMail(k));
    return list;
}

class AccountCheckTest : public testing::Test {
protected:
    void SetUp() override { resetProcessState(); }

    AccountCheck makeCheck() {
        return AccountCheck{.account = *account,
                            .workingList = *working,
                            .previousList = *previous,
                            .previousUids = uids,
                            .triples = triples,
                            .reply = reply,
                            .socket = socket,
                            .progress = progress,
                            .timeouts = timeouts,
                            .fetchList = {},
                            .movedTo = {},
                            .reuseKnownMails = true};
    }

    // Entry i as it must read after the take-over: the known mail k at position i.
    static MailEntry at(int k, int i) {
        MailEntry mail = knownMail(k);
        mail.serverPosition = static_cast<std::uint32_t>(i);
        return mail;
    }

    std::unique_ptr<AccountRecord> account = std::make_unique<AccountRecord>();
    std::unique_ptr<AccountRecord> working = std::make_unique<AccountRecord>();
    std::unique_ptr<AccountRecord> previous = lastList();
    MailTriples triples{*previous};
    PreviousUidIndex uids{*previous};
    ReplyBuffer reply{16};
    CMailSocket socket{abortRequest};
    HeadlessRunHost host;
    CheckProgress progress{host};
    CheckTimeouts timeouts;
};

TEST_F(AccountCheckTest, KnownIdsTakeTheirMailsOverInTheServersNewOrder) {
    AccountCheck check = makeCheck();
    check.beginListing(4);
    check.takeUid(0, "U2\r\n");
    check.takeUid(1, "NEW\r\n");
    check.takeUid(2, "U0\r\n");
    check.takeUid(3, "U2\r\n"); // a server that repeats an id gets the mail twice

    EXPECT_EQ(working->mails.mail(0), at(2, 0));
    EXPECT_EQ(working->mails.mail(2), at(0, 2));
    EXPECT_EQ(working->mails.mail(3), at(2, 3));
    EXPECT_EQ(working->mails.uid(1), "NEW\r\n");
    EXPECT_EQ(check.fetchList, (std::vector<std::uint8_t>{0, 1, 0, 0}));
}

TEST_F(AccountCheckTest, AnUnchangedBoxKeepsTheWholeLastList) {
    AccountCheck check = makeCheck();
    working->mailCount = 0;
    check.keepPreviousList();
    ASSERT_EQ(working->mailCount, 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(working->mails.mail(k), knownMail(k));
}

} // namespace
} // namespace ombrix::test
