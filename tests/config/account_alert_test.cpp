// Each account's alert in ombrix.conf: the three choices under the account's
// name, and the entries following an edit or going with a deletion.

#include "config/account_alert.h"
#include "config/account_conf_key.h"
#include "config/account_entries.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

const SecretKey kAnna{"imap.example.org", "anna", "imap", 993};
const SecretKey kBert{"pop.example.org", "bert b", "pop3", 995};

TEST(AccountAlertConfTest, EachChoiceReadsBackAndFollowingLeavesNoEntry) {
    ProgramConf conf;
    EXPECT_EQ(accountAlertOf(conf, kAnna), AccountAlert{});

    setAccountAlert(conf, kAnna, {AlertKind::Silent, {}});
    setAccountAlert(conf, kBert, {AlertKind::OwnWave, "/home/bert/bell sound.wav"});
    const ProgramConf reread = ProgramConf::parse(conf.serialize());
    EXPECT_EQ(reread.value("alert/imap/993/imap.example.org/anna"), "silent");
    EXPECT_EQ(reread.value("alert/pop3/995/pop.example.org/bert%20b"), "wave");
    EXPECT_EQ(reread.value("alertWave/pop3/995/pop.example.org/bert%20b"),
              "/home/bert/bell sound.wav");
    EXPECT_EQ(accountAlertOf(reread, kAnna), (AccountAlert{AlertKind::Silent, {}}));
    EXPECT_EQ(accountAlertOf(reread, kBert),
              (AccountAlert{AlertKind::OwnWave, "/home/bert/bell sound.wav"}));

    setAccountAlert(conf, kBert, {AlertKind::Silent, "/home/bert/bell sound.wav"});
    EXPECT_EQ(conf.value(accountConfKey(kConfAlertWave, kBert)), std::nullopt)
        << "a silent account keeps no file";
    setAccountAlert(conf, kBert, {});
    setAccountAlert(conf, kAnna, {});
    EXPECT_TRUE(conf.keys().empty()) << conf.serialize();
}

TEST(AccountAlertConfTest, UnknownValuesAndAWaveWithoutAFileFollowTheProgram) {
    ProgramConf conf;
    conf.set(accountConfKey(kConfAlert, kAnna), "loud");
    conf.set(accountConfKey(kConfAlert, kBert), "wave");
    EXPECT_EQ(accountAlertOf(conf, kAnna), AccountAlert{});
    EXPECT_EQ(accountAlertOf(conf, kBert), AccountAlert{});
    setAccountAlert(conf, kAnna, {AlertKind::OwnWave, ""});
    EXPECT_EQ(conf.value(accountConfKey(kConfAlert, kAnna)), std::nullopt);
}

TEST(AccountAlertConfTest, AMoveTakesBothEntriesAndKeepsTheOldOnesOnlyWhenAsked) {
    ProgramConf conf;
    setAccountAlert(conf, kAnna, {AlertKind::OwnWave, "/a.wav"});
    moveAccountAlert(conf, kAnna, kBert, false);
    EXPECT_EQ(accountAlertOf(conf, kBert), (AccountAlert{AlertKind::OwnWave, "/a.wav"}));
    EXPECT_EQ(conf.keys().size(), 2u) << conf.serialize();

    moveAccountAlert(conf, kBert, kAnna, true);
    EXPECT_EQ(accountAlertOf(conf, kAnna), (AccountAlert{AlertKind::OwnWave, "/a.wav"}));
    EXPECT_EQ(accountAlertOf(conf, kBert), (AccountAlert{AlertKind::OwnWave, "/a.wav"}));
}

// The table's accounts and ombrix.conf in a directory of the test's own.
class AccountAlertFollowTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
        accountCount = 2;
        setAccount(accounts[0], kAnna);
        setAccount(accounts[1], kBert);
    }
    void TearDown() override { test::resetProcessState(); }

    static void setAccount(AccountRecord& account, const SecretKey& key) {
        account.host = key.host;
        account.user = key.user;
        account.protocol = key.protocol == "imap" ? 1 : 0;
        account.port = std::to_string(key.port);
        ASSERT_EQ(accountConfKey("x", keyringKeyOf(account)), accountConfKey("x", key));
    }
    AccountAlert stored(const SecretKey& key) const {
        return accountAlertOf(loadProgramConf(programConfPath(programDirectory)), key);
    }

    test::TempDir directory;
};

TEST_F(AccountAlertFollowTest, AnEditedAccountTakesItsAlertToItsNewName) {
    const AccountAlert silent{AlertKind::Silent, {}};
    updateProgramConf([&](ProgramConf& conf) { setAccountAlert(conf, kAnna, silent); });
    accounts[0].port = "143";
    const SecretKey moved = keyringKeyOf(accounts[0]);
    ASSERT_FALSE(alertFollowsEdit(kAnna, moved));
    EXPECT_EQ(stored(moved), silent);
    EXPECT_EQ(stored(kAnna), AccountAlert{});
    EXPECT_EQ(readProgramConf().keys().size(), 1u);

    // A second account under the old name keeps the entry there.
    setAccount(accounts[1], moved);
    accounts[0].user = "anna2";
    ASSERT_FALSE(alertFollowsEdit(moved, keyringKeyOf(accounts[0])));
    EXPECT_EQ(stored(keyringKeyOf(accounts[0])), silent);
    EXPECT_EQ(stored(moved), silent);
}

TEST_F(AccountAlertFollowTest, AnAccountWithoutAnAlertLeavesTheAlertOfItsNewName) {
    const AccountAlert wave{AlertKind::OwnWave, "/b.wav"};
    updateProgramConf([&](ProgramConf& conf) { setAccountAlert(conf, kBert, wave); });
    // Anna becomes a second account under Bert's name: she takes his alert.
    setAccount(accounts[0], kBert);
    ASSERT_FALSE(alertFollowsEdit(kAnna, kBert));
    EXPECT_EQ(stored(kBert), wave);
}

TEST_F(AccountAlertFollowTest, ADeletedAccountsEntriesGoOnceNoAccountHasItsName) {
    updateProgramConf([](ProgramConf& conf) {
        setAccountAlert(conf, kAnna, {AlertKind::OwnWave, "/a.wav"});
        setAccountAlert(conf, kBert, {AlertKind::Silent, {}});
        conf.set("unrelated", "kept");
    });
    setAccount(accounts[1], kAnna); // two accounts under Anna's name
    ASSERT_FALSE(alertFollowsDeletion(kAnna));
    EXPECT_EQ(stored(kAnna).kind, AlertKind::OwnWave) << "the other account still uses it";

    accountCount = 1;
    ASSERT_FALSE(alertFollowsDeletion(kBert));
    EXPECT_EQ(stored(kBert), AccountAlert{});
    accountCount = 0;
    ASSERT_FALSE(alertFollowsDeletion(kAnna));
    EXPECT_EQ(stored(kAnna), AccountAlert{});
    EXPECT_EQ(readProgramConf().keys(), std::vector<std::string>{"unrelated"});
}

// What an entry says of the old mailbox (UIDs, a modseq) is dropped, never
// carried, and never drops what the new name already had.
TEST_F(AccountAlertFollowTest, FactsOfAMailboxAreDroppedNotCarried) {
    updateProgramConf([](ProgramConf& conf) {
        conf.set(accountConfKey("fact", kAnna), "anna's");
        conf.set(accountConfKey("fact", kBert), "bert's");
    });
    setAccount(accounts[0], kBert); // Anna's account now goes by Bert's name
    ASSERT_FALSE(entriesFollowEdit({"fact"}, kAnna, kBert, OnRename::Drop));
    const ProgramConf conf = readProgramConf();
    EXPECT_EQ(conf.value(accountConfKey("fact", kAnna)), std::nullopt);
    EXPECT_EQ(conf.value(accountConfKey("fact", kBert)), "bert's");

    // Dropped only once no account of the table goes by the old name.
    updateProgramConf([](ProgramConf& c) { c.set(accountConfKey("fact", kBert), "shared"); });
    accounts[1].user = "bert2";
    ASSERT_FALSE(entriesFollowEdit({"fact"}, kBert, keyringKeyOf(accounts[1]), OnRename::Drop));
    EXPECT_EQ(readProgramConf().value(accountConfKey("fact", kBert)), "shared");
}

} // namespace
} // namespace ombrix
