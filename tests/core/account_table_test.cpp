#include "core/account_table.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

class AccountTableTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
};

TEST_F(AccountTableTest, MailCountOutsideTheArraysIsClamped) {
    AccountRecord& account = accounts[0];
    account.mailCount = -1;
    EXPECT_EQ(validMailCount(account), 0);
    account.mailCount = 3001;
    EXPECT_EQ(validMailCount(account), kMaxMails);
    account.mailCount = 17;
    EXPECT_EQ(validMailCount(account), 17);
}

TEST_F(AccountTableTest, MailEntryMovesAllElevenArraysTogether) {
    AccountRecord& account = accounts[3];
    MailEntry mail{"Tue, 7 Mar 2006 10:00:00",
                   "body",
                   41,
                   1,
                   "a@b.example",
                   "Hello",
                   "UID7\r\n",
                   7,
                   3,
                   2006,
                   1234};
    account.mails.setMail(kMaxMails - 1, mail);
    EXPECT_EQ(account.mails.mail(kMaxMails - 1), mail);
    EXPECT_EQ(account.mails.mail(0), MailEntry{});
}

TEST_F(AccountTableTest, ClearingASlotForgetsSettingsAndMails) {
    AccountRecord& account = accounts[19];
    account.name = "x";
    account.deactivated = 1;
    account.mailCount = 5;
    account.mails.setSubject(4, "s");
    account.mails[4].read = 1;
    account.errorFlag = 1;
    clearAccount(account);
    EXPECT_TRUE(account.name.empty());
    EXPECT_EQ(account.deactivated, 0);
    EXPECT_EQ(account.mailCount, 0);
    EXPECT_TRUE(account.mails.subject(4).empty());
    EXPECT_EQ(account.mails[4].read, 0);
    EXPECT_EQ(account.errorFlag, 0);
}

} // namespace
} // namespace ombrix
