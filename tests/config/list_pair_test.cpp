#include "config/list_pair.h"
#include "config/mail_list_file.h"
#include "config/program_directory.h"
#include "config/read_flag_file.h"
#include "config/recording_presenter.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrix {
namespace {

namespace fs = std::filesystem;

struct Pair {
    std::string lists;
    std::string flags;
    bool operator==(const Pair&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pair& pair) {
    return out << pair.lists.size() << " bytes of lists, " << pair.flags.size()
               << " bytes of flags";
}

Pair pairInMemory() {
    return {encodeMailListFile(), encodeReadFlagFile()};
}

// A save of obx.msf and obx.rd that a process does not survive: the child
// is killed with SIGKILL right after the rename number `killedAfter`.
class ListPairTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
        test::writeBytes(dir / "obx.dat", test::settingsFixture());
        test::writeBytes(dir / "obx.msf", test::mailListFixture());
        test::writeBytes(dir / "obx.rd", test::readFlagFixture());
        reload();
        before = pairInMemory();
    }

    void reload() {
        test::resetProcessState();
        programDirectory = dir.path().string();
        loadState();
    }

    // A mail arrives in the first list ahead of the others and the first
    // mail is read: every read flag after it moves by one position.
    void arrive() {
        AccountRecord& a = accounts[0];
        MailEntry arrival;
        arrival.from = "new arrival";
        arrival.uid = "n1";
        for (int i = a.mailCount; i > 0; --i)
            a.mails.setMail(i, a.mails.mail(i - 1));
        a.mails.setMail(0, arrival);
        ++a.mailCount;
        a.mails[0].read = 1;
    }

    void saveAndDieAfterRename(int killedAfter) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int renames = 0;
            setListPairRenameHook([&renames, killedAfter] {
                if (++renames == killedAfter)
                    ::raise(SIGKILL);
            });
            saveState(SaveKind::MailListFile);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the save ended before rename " << killedAfter;
    }

    // The names in the directory (a killed save may leave its temporary).
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::RecordingPresenter messages;
    Pair before;
};

TEST_P(ListPairTest, AProcessKilledBetweenTheRenamesLeavesAWholePair) {
    arrive();
    const Pair after = pairInMemory();
    ASSERT_NE(after.lists, before.lists);
    ASSERT_NE(after.flags, before.flags);

    saveAndDieAfterRename(GetParam());
    reload();
    EXPECT_EQ(pairInMemory(), before) << "the pair as it was before the save";
    EXPECT_TRUE(messages.texts.empty());

    // The next save mends the files and leaves nothing beside them.
    arrive();
    const Pair mended = pairInMemory();
    ASSERT_TRUE(saveState(SaveKind::MailListFile));
    EXPECT_FALSE(listPairPending(dir.path()));
    for (const std::string& name : entries())
        EXPECT_FALSE(name.ends_with(".previous")) << name;
    reload();
    EXPECT_EQ(pairInMemory(), mended);
}

// The first rename replaced obx.msf alone; after the second both are new,
// but the save had not said so yet.
INSTANTIATE_TEST_SUITE_P(KilledAfterRename, ListPairTest, testing::Values(1, 2));

class ListPairAfterCrashTest : public ListPairTest {};

// Commands that only read (--list, --unread) find the whole pair too, and
// write nothing; read flags saved alone go out with the lists they belong to.
TEST_F(ListPairAfterCrashTest, ReadersFindTheWholePairAndFlagsAloneSaveBoth) {
    arrive();
    saveAndDieAfterRename(1);
    const std::vector<std::string> left = entries();
    ASSERT_TRUE(listPairPending(dir.path()));

    test::resetProcessState();
    programDirectory = dir.path().string();
    loadState(LoadScope::ReadCounts);
    EXPECT_EQ(accounts[0].mailCount, 2);
    EXPECT_EQ(accounts[0].mails[0].read, 1);
    EXPECT_EQ(accounts[0].mails[1].read, 0);
    EXPECT_EQ(entries(), left) << "a reading load writes nothing";

    reload();
    accounts[0].mails[1].read = 1;
    const Pair flagged = pairInMemory();
    ASSERT_TRUE(saveState(SaveKind::ReadFlagFile));
    EXPECT_FALSE(listPairPending(dir.path()));
    EXPECT_EQ(test::readBytes(dir / "obx.msf"), flagged.lists);
    EXPECT_EQ(test::readBytes(dir / "obx.rd"), flagged.flags);
}

} // namespace
} // namespace ombrix
