// What a slot's mails cost: storage only for the mails written, given back
// when the slot is cleared, and copies of a slot that are their own.

#include "core/account_table.h"
#include "support/process_reset.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace ombrix {
namespace {

class AccountStorageTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

MailEntry mailWith(std::string subject, std::string body, std::int32_t size) {
    MailEntry mail;
    mail.subject = std::move(subject);
    mail.bodyPreview = std::move(body);
    mail.size = size;
    return mail;
}

// The slot's mail list in entries held plus bytes of text.
std::size_t storedEntries(const AccountRecord& a) {
    return static_cast<std::size_t>(a.mails.size()) + a.mails.textBytes();
}

TEST_F(AccountStorageTest, ASmallAccountHoldsOnlyItsMailsAndClearingFreesIt) {
    for (const auto& a : accounts)
        EXPECT_EQ(storedEntries(a), 0u);
    AccountRecord& a = accounts[1];
    for (int i = 0; i < 50; ++i)
        a.mails.setMail(i, mailWith("s" + std::to_string(i), "b", i));
    a.mailCount = 50;
    // Fifty entries, their subjects ("s0" .. "s49") and previews ("b").
    EXPECT_EQ(storedEntries(a), 50u + (10 * 2 + 40 * 3) + 50 * 1);
    EXPECT_EQ(storedEntries(accounts[0]), 0u);
    clearAccount(a);
    EXPECT_EQ(storedEntries(a), 0u);
    EXPECT_EQ(a.mails.mail(49), MailEntry{});
}

TEST_F(AccountStorageTest, ACopiedSlotIsItsOwn) {
    accounts[0].mails.setMail(kMaxMails - 1, mailWith("", "body", 9));
    accounts[0].mailCount = kMaxMails;
    auto copy = std::make_unique<AccountRecord>(accounts[0]);
    clearAccount(accounts[0]);
    EXPECT_EQ(copy->mailCount, kMaxMails);
    EXPECT_EQ(copy->mails.mail(kMaxMails - 1), mailWith("", "body", 9));
    EXPECT_EQ(accounts[0].mails.mail(kMaxMails - 1), MailEntry{});
}

} // namespace
} // namespace ombrix
