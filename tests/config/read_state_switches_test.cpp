// An IMAP account's read-state switches in ombrix.conf: on unless turned
// off, only an "off" written, and never in effect for a POP3 account.

#include "config/account_conf_key.h"
#include "config/read_state_switches.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

const SecretKey kImapAnna{"imap.example.org", "anna", "imap", 993};
const SecretKey kPopBert{"pop.example.org", "bert", "pop3", 995};

TEST(ReadStateSwitchesTest, OnByDefaultAndOnlyAnOffIsWritten) {
    ProgramConf conf;
    EXPECT_EQ(readStateInEffect(conf, kImapAnna), (ReadStateSwitches{true, true}));
    setReadStateSwitches(conf, kImapAnna, {true, true});
    EXPECT_TRUE(conf.keys().empty()) << conf.serialize();

    setReadStateSwitches(conf, kImapAnna, {true, false});
    const ProgramConf reread = ProgramConf::parse(conf.serialize());
    EXPECT_EQ(reread.value("readToServer/imap/993/imap.example.org/anna"), "off");
    EXPECT_EQ(reread.value("readFromServer/imap/993/imap.example.org/anna"), std::nullopt);
    EXPECT_EQ(readStateInEffect(reread, kImapAnna), (ReadStateSwitches{true, false}));

    setReadStateSwitches(conf, kImapAnna, {false, true});
    EXPECT_EQ(readStateSwitchesOf(conf, kImapAnna), (ReadStateSwitches{false, true}))
        << "setting replaces both entries";
}

TEST(ReadStateSwitchesTest, AnUnknownValueIsOnAndPop3IsAlwaysLocal) {
    ProgramConf conf;
    conf.set(accountConfKey(kConfReadFromServer, kImapAnna), "maybe");
    EXPECT_TRUE(readStateInEffect(conf, kImapAnna).followServer);
    EXPECT_EQ(readStateInEffect(conf, kPopBert), (ReadStateSwitches{false, false}));
    EXPECT_EQ(readStateSwitchesOf(conf, kPopBert), (ReadStateSwitches{true, true}))
        << "the stored choice is kept for the editor, only not in effect";
}

} // namespace
} // namespace ombrix
