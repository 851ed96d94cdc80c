// Removing an account moves the later ones down whole; marking read touches
// only listed mails.

#include "core/account_table.h"
#include "core/account_table_ops.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <string>

namespace ombrix {
namespace {

// Slot `slot` holds an account called `name` with `mails` mails whose
// fields all carry the name, so any mix-up between accounts shows.
void fillAccount(int slot, const std::string& name, int mails) {
    AccountRecord& a = accounts[slot];
    a.name = name;
    a.host = name + ".example.org";
    a.user = name + "-user";
    a.password = name + "-secret";
    a.port = "995";
    a.useSsl = 1;
    a.protocol = slot % 2;
    a.uidValidity = name + "-validity";
    a.uidNext = name + "-next";
    a.checked = 1;
    a.mailCount = mails;
    for (int i = 0; i < mails; ++i) {
        MailEntry mail;
        mail.from = name + "-from-" + std::to_string(i);
        mail.subject = name + "-subject-" + std::to_string(i);
        mail.uid = name + "-uid-" + std::to_string(i);
        mail.bodyPreview = name + "-body";
        mail.date = "Mon, 6 Mar 2006";
        mail.serverPosition = static_cast<std::uint32_t>(i + 1);
        mail.read = i % 2;
        mail.day = static_cast<std::uint8_t>(slot + 1);
        mail.month = 3;
        mail.year = 2006;
        mail.size = 100 * (slot + 1) + i;
        a.mails.setMail(i, mail);
    }
}

class AccountTableOpsTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

TEST_F(AccountTableOpsTest, RemovingTheSecondOfThreeMovesTheThirdUpWhole) {
    fillAccount(0, "first", 2);
    fillAccount(1, "second", 5);
    fillAccount(2, "third", 3);
    accountCount = 3;
    accounts[0].deactivated = 1;
    accounts[2].deactivated = 1;
    accounts[2].errorFlag = 1;
    accounts[2].errorText = "third-error";
    accounts[2].mails[2].read = 1;

    // What the third account holds, to compare after the move.
    std::vector<MailEntry> thirdMails;
    for (int i = 0; i < 3; ++i)
        thirdMails.push_back(accounts[2].mails.mail(i));
    std::vector<MailEntry> firstMails{accounts[0].mails.mail(0), accounts[0].mails.mail(1)};

    ASSERT_TRUE(removeAccount(1));
    EXPECT_EQ(accountCount, 2u);

    const AccountRecord& first = accounts[0];
    EXPECT_EQ(first.name, "first");
    EXPECT_EQ(first.deactivated, 1);
    EXPECT_EQ(first.mailCount, 2);
    EXPECT_EQ(first.mails.mail(0), firstMails[0]);
    EXPECT_EQ(first.mails.mail(1), firstMails[1]);

    const AccountRecord& moved = accounts[1];
    EXPECT_EQ(moved.name, "third");
    EXPECT_EQ(moved.host, "third.example.org");
    EXPECT_EQ(moved.user, "third-user");
    EXPECT_EQ(moved.password, "third-secret");
    EXPECT_EQ(moved.port, "995");
    EXPECT_EQ(moved.useSsl, 1);
    EXPECT_EQ(moved.protocol, 0); // slot 2 % 2
    EXPECT_EQ(moved.uidValidity, "third-validity");
    EXPECT_EQ(moved.uidNext, "third-next");
    EXPECT_EQ(moved.deactivated, 1);
    EXPECT_EQ(moved.errorFlag, 1);
    EXPECT_EQ(moved.errorText, "third-error");
    EXPECT_EQ(moved.checked, 1);
    ASSERT_EQ(moved.mailCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(moved.mails.mail(i), thirdMails[static_cast<std::size_t>(i)]) << "mail " << i;
    // Beyond its own three mails nothing of the removed account's five stays.
    EXPECT_TRUE(moved.mails.from(3).empty());
    EXPECT_TRUE(moved.mails.uid(4).empty());

    const AccountRecord& freed = accounts[2];
    EXPECT_TRUE(freed.name.empty());
    EXPECT_TRUE(freed.password.empty());
    EXPECT_EQ(freed.mailCount, 0);
    EXPECT_EQ(freed.deactivated, 0);
    EXPECT_EQ(freed.errorFlag, 0);
    EXPECT_TRUE(freed.mails.from(0).empty());
    EXPECT_EQ(freed.mails[2].read, 0);
}

TEST_F(AccountTableOpsTest, RemovingTheFirstOrLastOfAFullTable) {
    struct Row {
        const char* label;
        int removed;
    };
    for (const Row& row : {Row{"first", 0}, Row{"last", kMaxAccounts - 1}, Row{"middle", 9}}) {
        SCOPED_TRACE(row.label);
        test::resetProcessState();
        for (int slot = 0; slot < kMaxAccounts; ++slot)
            fillAccount(slot, "account" + std::to_string(slot), 1 + slot);
        accountCount = kMaxAccounts;

        ASSERT_TRUE(removeAccount(row.removed));
        EXPECT_EQ(accountCount, static_cast<std::uint32_t>(kMaxAccounts - 1));
        for (int slot = 0; slot < kMaxAccounts - 1; ++slot) {
            const int original = slot < row.removed ? slot : slot + 1;
            EXPECT_EQ(accounts[slot].name, "account" + std::to_string(original));
            EXPECT_EQ(accounts[slot].mailCount, 1 + original);
            EXPECT_EQ(accounts[slot].mails.from(0),
                      "account" + std::to_string(original) + "-from-0");
        }
        EXPECT_TRUE(accounts[kMaxAccounts - 1].name.empty());
        EXPECT_EQ(accounts[kMaxAccounts - 1].mailCount, 0);
    }
}

TEST_F(AccountTableOpsTest, AnIndexOutsideTheAccountsChangesNothing) {
    fillAccount(0, "only", 2);
    accountCount = 1;
    for (const int index : {-1, 1, kMaxAccounts, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(removeAccount(index));
        EXPECT_EQ(accountCount, 1u);
        EXPECT_EQ(accounts[0].name, "only");
    }
    ASSERT_TRUE(removeAccount(0));
    EXPECT_EQ(accountCount, 0u);
    EXPECT_TRUE(accounts[0].name.empty());
    EXPECT_FALSE(removeAccount(0)); // nothing left
}

TEST_F(AccountTableOpsTest, MarkingReadTouchesOnlyListedMails) {
    fillAccount(0, "one", 4);
    fillAccount(1, "two", 3);
    accountCount = 2;
    accounts[0].mails[4].read = 0; // past the list: stays as it is
    accounts[1].mailCount = -1;    // reads as no mails

    markAccountRead(0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(accounts[0].mails[i].read, 1) << i;
    EXPECT_EQ(accounts[0].mails[4].read, 0);
    EXPECT_EQ(accounts[1].mails[0].read, 0); // the other account keeps its marks

    markAccountRead(-1);
    markAccountRead(2); // not in use
    markAllAccountsRead();
    EXPECT_EQ(accounts[1].mails[0].read, 0); // mailCount -1 lists nothing

    accounts[1].mailCount = 3;
    markAllAccountsRead();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(accounts[1].mails[i].read, 1) << i;
    EXPECT_EQ(accounts[1].mails[3].read, 0);
}

} // namespace
} // namespace ombrix
