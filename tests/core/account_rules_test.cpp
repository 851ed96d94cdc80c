#include "core/account_rules.h"
#include "core/account_table.h"
#include "core/language.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <set>

namespace ombrix {
namespace {

class AccountRulesTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

TEST_F(AccountRulesTest, PortFollowsProtocolAndTls) {
    EXPECT_EQ(defaultPort(false, false), "110");
    EXPECT_EQ(defaultPort(false, true), "995");
    EXPECT_EQ(defaultPort(true, false), "143");
    EXPECT_EQ(defaultPort(true, true), "993");
}

TEST_F(AccountRulesTest, FirstFieldWithAControlCharacterIsNamed) {
    struct Row {
        const char* name;
        NewAccount account;
        std::optional<AccountField> expected;
    };
    const Row rows[] = {
        {"clean", {"a@b.example", "pop.b.example", "a", "p w", "110"}, std::nullopt},
        {"CR in the password", {"a", "h", "u", "pw\rRSET", "110"}, AccountField::Password},
        {"LF in the user", {"a", "h", "u\nQUIT", "pw", "110"}, AccountField::User},
        {"server before user", {"a", "h\r\n", "u\n", "pw", "110"}, AccountField::Server},
        {"address first", {"a\n", "h\n", "u", "p\n", "110"}, AccountField::Address},
        {"byte 29 in the password", {"a", "h", "u", "p\x1d", "110"}, AccountField::Password},
        {"tab in the server", {"a", "h\t", "u", "p", "110"}, AccountField::Server},
        {"delete in the port", {"a", "h", "u", "p", "11\x7f"}, AccountField::Port},
        {"zero byte in the user", {"a", "h", std::string("u\0", 2), "p", "1"}, AccountField::User},
        {"UTF-8 is no control", {"J\xC3\xBCrgen", "h", "u", "p\xE2\x82\xAC", "1"}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fieldWithControlCharacter(row.account), row.expected);
    }
}

TEST_F(AccountRulesTest, EachFieldHasItsOwnRefusalInBothLanguages) {
    const AccountField fields[] = {AccountField::Address, AccountField::Server, AccountField::User,
                                   AccountField::Password, AccountField::Port};
    std::set<std::string> english, german;
    for (AccountField field : fields) {
        english.insert(controlCharacterText(field));
        EXPECT_NE(std::string(controlCharacterText(field)).find("control character"),
                  std::string::npos);
    }
    Language = 0;
    for (AccountField field : fields) {
        german.insert(controlCharacterText(field));
        EXPECT_NE(std::string(controlCharacterText(field)).find("Steuerzeichen"),
                  std::string::npos);
    }
    EXPECT_EQ(english.size(), 5u);
    EXPECT_EQ(german.size(), 5u);
}

TEST_F(AccountRulesTest, AppendingFillsTheNextSlotAndLeavesItsMailsAlone) {
    accountCount = 2;
    AccountRecord& slot = accounts[2];
    slot.errorFlag = 1;
    slot.mailCount = 1;
    slot.mails.setSubject(0, "left by start-up");

    const int index =
        appendAccount({"a@b.example", "imap.b.example", "a", "pw", "993", true, true});
    EXPECT_EQ(index, 2);
    EXPECT_EQ(accountCount, 3u);
    EXPECT_EQ(slot.name, "a@b.example");
    EXPECT_EQ(slot.host, "imap.b.example");
    EXPECT_EQ(slot.user, "a");
    EXPECT_EQ(slot.password, "pw");
    EXPECT_EQ(slot.port, "993");
    EXPECT_EQ(slot.protocol, 1);
    EXPECT_EQ(slot.useSsl, 1);
    EXPECT_EQ(slot.errorFlag, 0);
    EXPECT_EQ(slot.mails.subject(0), "left by start-up");
}

TEST_F(AccountRulesTest, AFullTableIsNeverWrittenPast) {
    accountCount = kMaxAccounts;
    accounts[kMaxAccounts - 1].name = "last";
    EXPECT_EQ(appendAccount({"x", "h", "u", "p", "110"}), -1);
    EXPECT_EQ(accountCount, std::uint32_t(kMaxAccounts));
    EXPECT_EQ(accounts[kMaxAccounts - 1].name, "last");
    EXPECT_STREQ(accountLimitText(), "You have reached the limits of accounts, sorry");
    Language = 0;
    EXPECT_STREQ(accountLimitText(), "Limit von Emailaccounts erreicht");
}

} // namespace
} // namespace ombrix
