// An account whose run failed for want of the keyring loses that error once
// its password came from the keyring, and no other error goes with it.

#include "core/account_table.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

class KeyringRefusalsTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }

    // A failed account in the next slot.
    static AccountRecord& failed(const std::string& host, const std::string& why) {
        AccountRecord& account = accounts[accountCount++];
        account.host = host;
        account.user = "anna";
        account.port = "993";
        account.protocol = 1;
        account.errorFlag = 1;
        account.errorText = why;
        return account;
    }

    static PasswordAnswer fetched(int slot, const std::string& host) {
        return {slot, {host, "anna", "imap", 993}, SecretOutcome::Done, true, "pw"};
    }
};

TEST_F(KeyringRefusalsTest, APasswordThatCameEndsOnlyTheKeyringsOwnError) {
    failed("locked.example", keyring_texts::passwordLocked());
    failed("absent.example", keyring_texts::passwordNoService());
    failed("refused.example", "login refused");
    failed("still.example", keyring_texts::passwordLocked());
    failed("edited.example", keyring_texts::passwordLocked());
    std::vector<PasswordAnswer> answers{fetched(0, "locked.example"), fetched(1, "absent.example"),
                                        fetched(2, "refused.example"),
                                        fetched(4, "before-the-edit.example")};
    answers.push_back(
        {3, {"still.example", "anna", "imap", 993}, SecretOutcome::Locked, false, {}});
    applyPasswordAnswers(answers);

    EXPECT_TRUE(clearKeyringRefusals(answers));
    EXPECT_EQ(accounts[0].errorFlag, 0);
    EXPECT_EQ(accounts[0].errorText, "");
    EXPECT_EQ(accounts[1].errorFlag, 0);
    EXPECT_EQ(accounts[2].errorText, "login refused");                 // the server's word stands
    EXPECT_EQ(accounts[3].errorText, keyring_texts::passwordLocked()); // nothing came
    EXPECT_EQ(accounts[4].errorFlag, 1); // another account's password by now
    EXPECT_FALSE(clearKeyringRefusals(answers));
}

} // namespace
} // namespace ombrix
