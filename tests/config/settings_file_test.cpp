#include "config/recording_presenter.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "config/state_fixtures.h"
#include "core/account_table.h"
#include "platform/text_file.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

using namespace std::string_literals;

// The fixture's text up to and including its repeatAlarm line.
std::string fixtureUpToRepeatAlarm() {
    const std::string text = fromTextMode(test::settingsFixture());
    const std::size_t repeatLine = text.find("=60\n=1\n");
    return text.substr(0, repeatLine + std::string("=60\n=1\n").size());
}

void addAccounts(int count) {
    for (int k = 0; k < count; ++k) {
        accounts[k].name = "account" + std::to_string(k);
        accounts[k].port = "110";
    }
    accountCount = static_cast<std::uint32_t>(count);
}

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    test::RecordingPresenter messages;
};

TEST_F(SettingsFileTest, ReadsEveryValueOfTheFixture) {
    ASSERT_EQ(decodeSettingsFile(fromTextMode(test::settingsFixture())), SettingsRead::Loaded);
    EXPECT_TRUE(messages.texts.empty());
    ASSERT_EQ(accountCount, 2u);

    const AccountRecord& pop = accounts[0];
    EXPECT_EQ(pop.name, "me@example.org");
    EXPECT_EQ(pop.host, "pop.example.org");
    EXPECT_EQ(pop.user, "me");
    EXPECT_EQ(pop.password, "pa=ss");
    EXPECT_EQ(pop.deactivated, 0);
    EXPECT_EQ(pop.useSsl, 1);
    EXPECT_EQ(pop.protocol, 0);
    EXPECT_EQ(pop.port, "995");

    const AccountRecord& imap = accounts[1];
    EXPECT_EQ(imap.name, "B\xFCro");
    EXPECT_EQ(imap.password, "ab");
    EXPECT_EQ(imap.deactivated, 1);
    EXPECT_EQ(imap.useSsl, 0);
    EXPECT_EQ(imap.protocol, 1);
    EXPECT_EQ(imap.port, "143");

    EXPECT_EQ(settings.numLockLed, 0);
    EXPECT_EQ(settings.capsLockLed, 1);
    EXPECT_EQ(settings.scrollLockLed, 1);
    EXPECT_EQ(settings.waveAlarm, 1);
    EXPECT_EQ(settings.waveFile, "/home/u/mail.wav");
    EXPECT_EQ(settings.speakerAlarm, 1);
    EXPECT_EQ(settings.beepPattern, 4);
    EXPECT_EQ(settings.checkInterval, 15);
    EXPECT_EQ(settings.repeatSeconds, 60);
    EXPECT_EQ(settings.repeatAlarm, 1);
    EXPECT_EQ(settings.popupEnabled, 1);
    EXPECT_EQ(settings.popupAutoClose, 0);
    EXPECT_EQ(settings.startWithWindows, 1);
    EXPECT_EQ(settings.markAllHint, 0);
    EXPECT_EQ(settings.windowMaximized, 1);
    EXPECT_EQ(settings.windowWidth, 800);
    EXPECT_EQ(settings.windowHeight, 600);
}

TEST_F(SettingsFileTest, WritesTheFixtureBackByteForByte) {
    decodeSettingsFile(fromTextMode(test::settingsFixture()));
    EXPECT_EQ(toTextMode(encodeSettingsFile()), test::settingsFixture());
}

TEST_F(SettingsFileTest, AccountCountIsTwoBytes) {
    struct Row {
        int accounts;
        std::string bytes;
    };
    for (const Row& row : {Row{0, "Number=0\0\n"s}, Row{3, "Number=3\0\n"s},
                           Row{12, "Number=12\n"s}, Row{20, "Number=20\n"s}}) {
        SCOPED_TRACE(row.accounts);
        test::resetProcessState();
        addAccounts(row.accounts);
        const std::string text = encodeSettingsFile();
        EXPECT_NE(text.find("[NumberofAccounts]\n" + row.bytes + "\n[Accounts]\n"),
                  std::string::npos);
        test::resetProcessState();
        decodeSettingsFile(text);
        EXPECT_EQ(accountCount, static_cast<std::uint32_t>(row.accounts));
        if (row.accounts > 0) {
            EXPECT_EQ(accounts[row.accounts - 1].name,
                      "account" + std::to_string(row.accounts - 1));
        }
    }
}

TEST_F(SettingsFileTest, PasswordsSurviveTheRoundTrip) {
    const std::string passwords[] = {
        "a=b", "==", "=start", "space in it", "\xC3\xA4\xC3\xB6", "\xFF\x80\x01"};
    addAccounts(6);
    for (int k = 0; k < 6; ++k)
        accounts[k].password = passwords[k];
    const std::string text = fromTextMode(toTextMode(encodeSettingsFile()));
    test::resetProcessState();
    decodeSettingsFile(text);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(accounts[k].password, passwords[k]) << k;
}

TEST_F(SettingsFileTest, FileEndingAfterRepeatAlarmKeepsTheLaterDefaults) {
    decodeSettingsFile(fixtureUpToRepeatAlarm());
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(settings.repeatAlarm, 1);
    EXPECT_EQ(settings.popupEnabled, 1);
    EXPECT_EQ(settings.popupAutoClose, 0);
    EXPECT_EQ(settings.startWithWindows, 0);
    EXPECT_EQ(settings.markAllHint, 1);
    EXPECT_EQ(settings.windowMaximized, 0);
    EXPECT_EQ(settings.windowWidth, 710);
    EXPECT_EQ(settings.windowHeight, 563);
}

TEST_F(SettingsFileTest, IncompleteWindowBytesKeepTheDefaultSize) {
    std::string text = fromTextMode(test::settingsFixture());
    text = text.substr(0, text.find("\x01\x03\x20") + 3);
    decodeSettingsFile(text);
    EXPECT_EQ(settings.markAllHint, 0);
    EXPECT_EQ(settings.windowWidth, 710);
    EXPECT_EQ(settings.windowHeight, 563);
}

TEST_F(SettingsFileTest, TruncationReportsOncePerAccountAndPerValue) {
    // Two accounts claimed, the file ends inside the first one's host line.
    const std::string text = "*** Ombrix Version 2.5 ini file\n*** x\n\n\n[NumberofAccounts]\n"
                             "Number=2\0\n\n[Accounts]\nname =a\nhost =h"s;
    decodeSettingsFile(text);
    EXPECT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[0].name, "a");
    EXPECT_EQ(accounts[0].host, "FILEERROR");
    EXPECT_EQ(settings.waveFile, "FILEERROR");
    EXPECT_EQ(settings.checkInterval, 0);
    EXPECT_EQ(settings.scrollLockLed, 0);
    EXPECT_EQ(settings.popupEnabled, 1);
    // One per account, one per each of the ten first globals.
    ASSERT_EQ(messages.texts.size(), 12u);
    EXPECT_EQ(messages.texts[0], "could not open ini file !");
}

TEST_F(SettingsFileTest, MoreThanTwentyAccountsKeepTwentyAndTheGlobalsInPlace) {
    addAccounts(20);
    settings.checkIntervalText = "45";
    std::string text = encodeSettingsFile();
    // Claim 22 and put two more account blocks before the globals.
    text.replace(text.find("Number=20"), 9, "Number=22");
    const std::string extra = "name =x21\nhost =h\nuser =u\npass =p\n\ndeac=0\n\x00\x00=1\n\n"s;
    const std::size_t globals = text.rfind("\n\n=0\n") + 2;
    text.insert(globals, extra + extra);
    test::resetProcessState();
    decodeSettingsFile(text);
    EXPECT_EQ(accountCount, 20u);
    EXPECT_EQ(accounts[19].name, "account19");
    EXPECT_EQ(settings.checkInterval, 45);
    EXPECT_EQ(settings.scrollLockLed, 1);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(SettingsFileTest, WindowSizeNeverStoresTheEndOfFileByte) {
    struct Row {
        const char* name;
        std::int32_t pixels;
        std::int32_t readBack;
    };
    const Row rows[] = {
        {"low byte 26 moves one pixel", 0x011A, 0x011B},
        {"both bytes 26", 0x1A1A, 0x1B00},
        {"byte 10 survives text mode", 0x0A0A, 0x0A0A},
        {"byte 13 survives text mode", 0x0D0D, 0x0D0D},
        {"negative is clamped", -5, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::resetProcessState();
        settings.windowWidth = row.pixels;
        settings.windowHeight = row.pixels;
        const std::string stored = toTextMode(encodeSettingsFile());
        test::resetProcessState();
        decodeSettingsFile(fromTextMode(stored));
        EXPECT_EQ(settings.windowWidth, row.readBack);
        EXPECT_EQ(settings.windowHeight, row.readBack);
        EXPECT_TRUE(stored.ends_with("[EndIni]"));
    }
}

TEST_F(SettingsFileTest, LineBreaksInTextValuesCannotShiftLaterValues) {
    addAccounts(2);
    accounts[0].name = "two\nlines";
    accounts[0].host = "h\x1Ah";
    accounts[0].useSsl = 7;
    accounts[1].user = "second";
    const std::string stored = toTextMode(encodeSettingsFile());
    test::resetProcessState();
    decodeSettingsFile(fromTextMode(stored));
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[0].name, "two lines");
    EXPECT_EQ(accounts[0].host, "h h");
    EXPECT_EQ(accounts[0].useSsl, 1);
    EXPECT_EQ(accounts[1].user, "second");
    EXPECT_EQ(settings.checkInterval, 30);
}

TEST_F(SettingsFileTest, WrongHeaderGivesItsDefaultsWithoutAMessage) {
    for (const std::string header :
         {"*** Ombrix Version 2.0 ini file", "*** ombrix version 2.5 ini file", ""}) {
        SCOPED_TRACE(header);
        test::resetProcessState();
        accountCount = 4;
        std::string text = fromTextMode(test::settingsFixture());
        text.replace(0, text.find('\n'), header);
        EXPECT_EQ(decodeSettingsFile(text), SettingsRead::WrongHeader);
        EXPECT_EQ(accountCount, 0u);
        EXPECT_EQ(settings.checkInterval, 3);
        EXPECT_EQ(settings.repeatSeconds, 10);
        EXPECT_EQ(settings.speakerAlarm, 1);
        EXPECT_EQ(settings.repeatAlarm, 1);
        EXPECT_EQ(settings.popupEnabled, 1);
        EXPECT_EQ(settings.waveFile, "mail.wav");
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(SettingsFileTest, NumbersFollowTheDecimalConversion) {
    std::string text = fromTextMode(test::settingsFixture());
    text.replace(text.find("=15\n"), 4, "=7min\n");
    text.replace(text.find("=60\n"), 4, "=300\n");
    decodeSettingsFile(text);
    EXPECT_EQ(settings.checkInterval, 7);
    EXPECT_EQ(settings.repeatSeconds, 300 % 256);
}

} // namespace
} // namespace ombrix
