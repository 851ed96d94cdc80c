// The HIGHESTMODSEQ entries of ombrix.conf: written with the lists, read back
// only for the UIDVALIDITY of the list they came with, and shared by
// accounts of one name only as far as every one of them vouches for it.

#include "config/account_conf_key.h"
#include "config/highest_modseqs.h"
#include "config/program_directory.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "core/process_state.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

const char* const kAnnaKey = "highestModseq/imap/993/imap.example.org/anna";

class HighestModseqsTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
    }
    void TearDown() override { test::resetProcessState(); }

    static AccountRecord& imapAccount(int slot, const std::string& validity,
                                      const std::string& modseq) {
        AccountRecord& a = accounts[static_cast<std::size_t>(slot)];
        a.name = "anna" + std::to_string(slot);
        a.host = "imap.example.org";
        a.user = "anna";
        a.port = "993";
        a.protocol = 1;
        a.uidValidity = validity;
        a.uidNext = "5";
        a.highestModseq = modseq;
        accountCount = std::max<std::uint32_t>(accountCount, slot + 1);
        return a;
    }

    test::TempDir dir;
};

TEST_F(HighestModseqsTest, SavedListsCarryTheirModseqAndLoadGivesItBackForTheirUidValidity) {
    imapAccount(0, "1700", "4711");
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    ASSERT_TRUE(saveState(SaveKind::MailListFile));
    EXPECT_EQ(loadProgramConf(programConfPath(programDirectory)).value(kAnnaKey), "1700 4711");

    resetAccountsAndFlags();
    replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
    loadState();
    ASSERT_EQ(accountCount, 1u);
    EXPECT_EQ(accounts[0].highestModseq, "4711");

    // An entry of another UIDVALIDITY vouches for nothing in this list.
    test::changeProgramConf([](ProgramConf& conf) { conf.set(kAnnaKey, "1699 4711"); });
    loadHighestModseqs(readProgramConf());
    EXPECT_EQ(accounts[0].highestModseq, "");
    test::changeProgramConf([](ProgramConf& conf) { conf.set(kAnnaKey, "garbage"); });
    loadHighestModseqs(readProgramConf());
    EXPECT_EQ(accounts[0].highestModseq, "");
}

TEST_F(HighestModseqsTest, AccountsOfOneNameShareTheOldestModseqOrNone) {
    imapAccount(0, "1700", "4711");
    imapAccount(1, "1700", "900");
    EXPECT_EQ(highestModseqEntries().at(kAnnaKey), "1700 900");

    accounts[1].highestModseq.clear(); // its flags were never read from the server
    EXPECT_EQ(highestModseqEntries().at(kAnnaKey), "");

    accounts[1].highestModseq = "5000";
    accounts[1].uidValidity = "1800";
    EXPECT_EQ(highestModseqEntries().at(kAnnaKey), "");
}

TEST_F(HighestModseqsTest, AnEntryNoLongerVouchedForGoesAndAnUnchangedOneIsNotRewritten) {
    ProgramConf conf;
    conf.set(kAnnaKey, "1700 4711");
    EXPECT_FALSE(applyHighestModseqs(conf, {{kAnnaKey, "1700 4711"}}));
    EXPECT_TRUE(applyHighestModseqs(conf, {{kAnnaKey, ""}}));
    EXPECT_EQ(conf.value(kAnnaKey), std::nullopt);
    EXPECT_FALSE(applyHighestModseqs(conf, {{kAnnaKey, ""}}));
}

} // namespace
} // namespace ombrix
