#include "check/account_table.h"
#include "check/language.h"
#include "check/run_flags.h"
#include "config/program_directory.h"
#include "config/recording_presenter.h"
#include "config/settings.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;

class StateStoreTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
    }

    void writeFixtures() {
        test::writeBytes(dir / "obx.dat", test::settingsFixture());
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
    }

    // Names in the directory, to see that no temporary file was left.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::RecordingPresenter messages;
};

TEST_F(StateStoreTest, LoadsAllThreeFilesAndSavesThemUnchanged) {
    writeFixtures();
    loadState();
    EXPECT_TRUE(messages.texts.empty());
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[0].mailCount, 2);
    EXPECT_EQ(accounts[0].read[0], 1);
    EXPECT_EQ(accounts[1].from[0], "carl");

    fs::remove(dir / "obx.dat");
    fs::remove(dir / "obx.msf");
    fs::remove(dir / "obx.rd");
    EXPECT_TRUE(saveAllState());
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), test::settingsFixture());
    EXPECT_EQ(test::readBytes(dir / "obx.msf"), test::mailListFixture());
    EXPECT_EQ(test::readBytes(dir / "obx.rd"), test::readFlagFixture());
    EXPECT_EQ(entries(), (std::vector<std::string>{"obx.dat", "obx.msf", "obx.rd"}));
}

TEST_F(StateStoreTest, MissingSettingsFileGivesItsDefaultsSilently) {
    test::writeBytes(dir / "obx.msf", test::mailListFixture());
    accountCount = 0;
    loadState();
    EXPECT_TRUE(messages.texts.empty()) << "a first start is no failure";
    EXPECT_EQ(accountCount, 0u);
    EXPECT_EQ(settings.checkInterval, 30);
    EXPECT_EQ(settings.repeatSeconds, 100);
    EXPECT_EQ(settings.scrollLockLed, 1);
    EXPECT_EQ(settings.speakerAlarm, 0);
    EXPECT_EQ(settings.popupEnabled, 0);
    EXPECT_EQ(accounts[0].mailCount, 0);
}

TEST_F(StateStoreTest, UnreadableSettingsFileGivesItsDefaultsAndOneMessage) {
    fs::create_directory(dir / "obx.dat"); // there, but it cannot be read
    loadState();
    ASSERT_EQ(messages.texts, std::vector<std::string>{"could not open ini file !"});
    EXPECT_EQ(accountCount, 0u);
    EXPECT_EQ(settings.checkInterval, 30);
}

TEST_F(StateStoreTest, MessagesFollowTheLanguage) {
    Language = 0;
    fs::create_directory(dir / "obx.dat");
    loadState();
    EXPECT_EQ(messages.texts,
              std::vector<std::string>{"Konnte nicht auf die Ini Datei zugreifen !"});
}

TEST_F(StateStoreTest, WrongHeaderSkipsTheCachedLists) {
    writeFixtures();
    std::string old = test::settingsFixture();
    old.replace(old.find("2.5"), 3, "2.0");
    test::writeBytes(dir / "obx.dat", old);
    loadState();
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(accountCount, 0u);
    EXPECT_EQ(accounts[0].mailCount, 0);
    EXPECT_EQ(settings.checkInterval, 3);
}

TEST_F(StateStoreTest, ListsWithoutReadFlagsStartUnread) {
    writeFixtures();
    fs::remove(dir / "obx.rd");
    loadState();
    EXPECT_EQ(accounts[0].mailCount, 2);
    EXPECT_EQ(accounts[0].read[0], 0);
    EXPECT_EQ(accounts[0].read[1], 0);
    EXPECT_EQ(accounts[1].read[0], 0);
}

TEST_F(StateStoreTest, SavedListsCarryTheReadFlagsOfTheSameTable) {
    writeFixtures();
    loadState();
    AccountRecord& a = accounts[0];
    MailEntry arrival;
    arrival.from = "new arrival";
    arrival.uid = "n1";
    storeMail(a, a.mailCount, arrival);
    ++a.mailCount;
    a.read[0] = 1;
    a.read[1] = 1;
    ASSERT_TRUE(saveState(SaveKind::MailListFile));

    test::resetProcessState();
    programDirectory = dir.path().string();
    loadState();
    ASSERT_EQ(accounts[0].mailCount, 3);
    EXPECT_EQ(accounts[0].from[2], "new arrival");
    EXPECT_EQ(accounts[0].read[2], 0);
    EXPECT_EQ(accounts[0].read[0], 1);
    EXPECT_EQ(accounts[0].read[1], 1);
    EXPECT_EQ(accounts[1].read[0], test::readFlagFixture().back());
}

TEST_F(StateStoreTest, AFailedListSaveSaysSoOnceAndLeavesNoTemporary) {
    writeFixtures();
    loadState();
    fs::remove(dir / "obx.rd");
    fs::create_directory(dir / "obx.rd"); // the rename over it must fail
    EXPECT_FALSE(saveState(SaveKind::MailListFile));
    EXPECT_EQ(entries(), (std::vector<std::string>{"obx.dat", "obx.msf", "obx.rd"}));
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(dataIdle, 1);
}

TEST_F(StateStoreTest, NothingIsWrittenWhileACheckRuns) {
    writeFixtures();
    loadState();
    settings.checkIntervalText = "99";
    checkRunning = 1;
    dataIdle = 0;
    for (SaveKind kind : {SaveKind::SettingsFile, SaveKind::MailListFile, SaveKind::ReadFlagFile})
        EXPECT_FALSE(saveState(kind));
    // The run is inside its commit bracket: only the run may end it.
    EXPECT_EQ(dataIdle, 0);
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), test::settingsFixture());

    checkRunning = 0;
    EXPECT_TRUE(saveState(SaveKind::SettingsFile));
    EXPECT_NE(test::readBytes(dir / "obx.dat").find("=99\r\n"), std::string::npos);
}

TEST_F(StateStoreTest, SavedFilesAreForTheOwnerOnly) {
    test::writeBytes(dir / "obx.dat", "old");
    fs::permissions(dir / "obx.dat", fs::perms::all);
    for (SaveKind kind : {SaveKind::SettingsFile, SaveKind::MailListFile, SaveKind::ReadFlagFile})
        ASSERT_TRUE(saveState(kind));
    for (const char* name : {"obx.dat", "obx.msf", "obx.rd"})
        EXPECT_EQ(fs::status(dir / name).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << name;
}

TEST_F(StateStoreTest, FailedSaveKeepsTheOldFileAndSaysSo) {
    // A directory where obx.dat should be: the rename over it must fail.
    fs::create_directory(dir / "obx.dat");
    test::writeBytes(dir / "obx.dat" / "keep", "old");
    accountCount = 1;
    accounts[0].name = "new";
    EXPECT_FALSE(saveState(SaveKind::SettingsFile));
    EXPECT_EQ(dataIdle, 1);
    EXPECT_EQ(test::readBytes(dir / "obx.dat" / "keep"), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"obx.dat"});
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find("could not save the file"), std::string::npos);
    EXPECT_NE(messages.texts[0].find("obx.dat"), std::string::npos);
}

TEST_F(StateStoreTest, SaveIntoAMissingDirectoryFailsWithAMessage) {
    programDirectory = (dir / "gone").string();
    EXPECT_FALSE(saveAllState());
    EXPECT_EQ(messages.texts.size(), 2u); // the settings, the lists with their flags
    EXPECT_FALSE(fs::exists(dir / "gone"));
}

TEST_F(StateStoreTest, ProgramDirectoryIsCreatedWhenMissing) {
    const fs::path wanted = dir / "a" / "b";
    EXPECT_EQ(findProgramDirectory(wanted.string()), wanted.string());
    EXPECT_TRUE(fs::is_directory(wanted));
}

TEST_F(StateStoreTest, RelativeProgramDirectoryIsMadeAbsolute) {
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const std::string found = findProgramDirectory(std::string("rel"));
    fs::current_path(before);
    EXPECT_EQ(found, (dir / "rel").string());
    EXPECT_TRUE(fs::is_directory(dir / "rel"));
}

} // namespace
} // namespace ombrix
