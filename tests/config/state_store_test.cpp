#include "config/byte_stream.h"
#include "config/mail_list_file.h"
#include "config/program_directory.h"
#include "config/read_flag_file.h"
#include "config/recording_presenter.h"
#include "config/settings.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/run_flags.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

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
    EXPECT_EQ(accounts[0].mails[0].read, 1);
    EXPECT_EQ(accounts[1].mails.from(0), "carl");

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
    EXPECT_EQ(accounts[0].mails[0].read, 0);
    EXPECT_EQ(accounts[0].mails[1].read, 0);
    EXPECT_EQ(accounts[1].mails[0].read, 0);
}

TEST_F(StateStoreTest, SavedListsCarryTheReadFlagsOfTheSameTable) {
    writeFixtures();
    loadState();
    AccountRecord& a = accounts[0];
    MailEntry arrival;
    arrival.from = "new arrival";
    arrival.uid = "n1";
    a.mails.setMail(a.mailCount, arrival);
    ++a.mailCount;
    a.mails[0].read = 1;
    a.mails[1].read = 1;
    ASSERT_TRUE(saveState(SaveKind::MailListFile));

    test::resetProcessState();
    programDirectory = dir.path().string();
    loadState();
    ASSERT_EQ(accounts[0].mailCount, 3);
    EXPECT_EQ(accounts[0].mails.from(2), "new arrival");
    EXPECT_EQ(accounts[0].mails[2].read, 0);
    EXPECT_EQ(accounts[0].mails[0].read, 1);
    EXPECT_EQ(accounts[0].mails[1].read, 1);
    EXPECT_EQ(accounts[1].mails[0].read, test::readFlagFixture().back());
}

// What a save that changed nothing left: the inode of each file, which a
// replacement changes.
std::vector<ino_t> inodesOf(const test::TempDir& dir) {
    std::vector<ino_t> inodes;
    for (const char* name : {"obx.dat", "obx.msf", "obx.rd"}) {
        struct stat status {};
        EXPECT_EQ(::stat((dir / name).c_str(), &status), 0) << name;
        inodes.push_back(status.st_ino);
    }
    return inodes;
}

TEST_F(StateStoreTest, OnlyTheFilesWhoseBytesChangedAreReplaced) {
    writeFixtures();
    loadState();
    ASSERT_TRUE(saveAllState()); // now with the owner-only mode
    const std::vector<ino_t> saved = inodesOf(dir);

    ASSERT_TRUE(saveAllState());
    EXPECT_EQ(inodesOf(dir), saved) << "an unchanged table rewrites nothing";
    EXPECT_EQ(entries(), (std::vector<std::string>{"obx.dat", "obx.msf", "obx.rd"}));

    accounts[1].mails[0].read = 1;
    ASSERT_TRUE(saveState(SaveKind::MailListFile));
    const std::vector<ino_t> flagged = inodesOf(dir);
    EXPECT_EQ(flagged[1], saved[1]) << "obx.msf stays";
    EXPECT_NE(flagged[2], saved[2]) << "obx.rd is replaced";
    EXPECT_EQ(test::readBytes(dir / "obx.rd"), "\x01\x00\x01"s);

    // A change late in obx.msf: its unchanged beginning comes from the old file.
    accounts[1].mails.setSubject(0, "changed");
    const std::string expected = encodeMailListFile();
    ASSERT_TRUE(saveState(SaveKind::MailListFile));
    EXPECT_NE(inodesOf(dir)[1], saved[1]);
    EXPECT_EQ(test::readBytes(dir / "obx.msf"), expected);
    EXPECT_EQ(entries(), (std::vector<std::string>{"obx.dat", "obx.msf", "obx.rd"}));
}

// Lists far larger than the reader's buffer go through disk and back.
TEST_F(StateStoreTest, ListsLargerThanTheReadersBufferComeBackWhole) {
    writeFixtures();
    loadState();
    AccountRecord& a = accounts[0];
    a.mailCount = kMaxMails;
    for (int i = 0; i < kMaxMails; ++i)
        a.mails.setMail(
            i, MailEntry{.date = "Tue, 07 Mar 2006 10:00:00 +0100",
                         .bodyPreview = std::string(static_cast<std::size_t>(i % 400), 'p'),
                         .serverPosition = static_cast<std::uint32_t>(i),
                         .read = static_cast<std::uint8_t>(i % 3 == 0),
                         .from = "sender " + std::to_string(i),
                         .subject = "subject",
                         .uid = std::to_string(i),
                         .day = 7,
                         .month = 3,
                         .year = 2006,
                         .size = i});
    ASSERT_TRUE(saveAllState());
    const std::string lists = encodeMailListFile();
    ASSERT_GT(lists.size(), 2 * kStreamChunk);
    const std::string flags = encodeReadFlagFile();

    test::resetProcessState();
    programDirectory = dir.path().string();
    loadState();
    EXPECT_EQ(accounts[0].mailCount, kMaxMails);
    EXPECT_EQ(accounts[0].mails.bodyPreview(399), std::string(399, 'p'));
    EXPECT_EQ(encodeMailListFile(), lists);
    EXPECT_EQ(encodeReadFlagFile(), flags);
}

// The command-line modes that only print read no more than they print; what
// they leave out must never be saved over the files.
TEST_F(StateStoreTest, APartialLoadReadsLessAndNeverSavesTheLists) {
    writeFixtures();
    loadState(LoadScope::Accounts);
    EXPECT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[0].name, "me@example.org");
    EXPECT_EQ(accounts[0].mailCount, 0) << "no mail list read";
    EXPECT_EQ(accounts[0].checked, 0);

    test::resetProcessState();
    programDirectory = dir.path().string();
    loadState(LoadScope::ReadCounts);
    EXPECT_EQ(accounts[0].mailCount, 2);
    EXPECT_EQ(accounts[1].mailCount, 1);
    EXPECT_EQ(accounts[0].mails[0].read, 1);
    EXPECT_EQ(accounts[0].mails[1].read, 0);
    EXPECT_EQ(accounts[0].mails.from(0), "") << "entries are not kept";

    for (const LoadScope scope : {LoadScope::Accounts, LoadScope::ReadCounts}) {
        test::resetProcessState();
        programDirectory = dir.path().string();
        loadState(scope);
        accounts[0].mails[0].read = 0;
        EXPECT_FALSE(saveState(SaveKind::MailListFile));
        EXPECT_FALSE(saveState(SaveKind::ReadFlagFile));
        EXPECT_FALSE(saveAllState());
        EXPECT_EQ(test::readBytes(dir / "obx.msf"), test::mailListFixture());
        EXPECT_EQ(test::readBytes(dir / "obx.rd"), test::readFlagFixture());
        EXPECT_TRUE(saveState(SaveKind::SettingsFile));
    }
    EXPECT_TRUE(messages.texts.empty());

    loadState();
    EXPECT_TRUE(saveState(SaveKind::MailListFile)) << "a full load may save again";
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
