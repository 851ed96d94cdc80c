// The state files loaded on a thread of their own: the same table, settings
// and failures as loadState on the caller's thread, and the load's message
// boxes shown by the thread that finishes it, in their order.

#include "config/background_state_load.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "config/state_fixtures.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/process_state.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrix {
namespace {

namespace fs = std::filesystem;

// Records each box with the thread that showed it.
class ThreadRecordingPresenter final : public MessagePresenter {
public:
    ThreadRecordingPresenter() { installMessagePresenter(this); }
    ~ThreadRecordingPresenter() override { installMessagePresenter(nullptr); }
    ThreadRecordingPresenter(const ThreadRecordingPresenter&) = delete;
    ThreadRecordingPresenter& operator=(const ThreadRecordingPresenter&) = delete;

    BoxAnswer present(const std::string& text, const std::string&, BoxKind) override {
        const std::lock_guard lock(mutex_);
        texts.push_back(text);
        threads.push_back(std::this_thread::get_id());
        return BoxAnswer::Ok;
    }

    std::mutex mutex_;
    std::vector<std::string> texts;
    std::vector<std::thread::id> threads;
};

// What a load leaves behind, to hold one load against another.
struct Loaded {
    std::uint32_t count = 0;
    std::vector<std::vector<MailEntry>> lists;
    std::vector<std::string> names;
    std::vector<int> checked;
    std::string settingsFile; // the settings and accounts, as obx.dat would hold them
    LoadScope scope = LoadScope::Everything;
    std::vector<std::string> boxes;

    bool operator==(const Loaded&) const = default;
};

Loaded snapshot(const std::vector<std::string>& boxes) {
    Loaded loaded;
    loaded.count = accountCount;
    for (const AccountRecord& a : accounts) {
        std::vector<MailEntry> list;
        for (int i = 0; i < validMailCount(a); ++i)
            list.push_back(a.mails.mail(i));
        loaded.lists.push_back(std::move(list));
        loaded.names.push_back(a.name + "|" + a.uidValidity + "|" + a.uidNext);
        loaded.checked.push_back(a.checked);
    }
    loaded.settingsFile = encodeSettingsFile();
    loaded.scope = loadedScope;
    loaded.boxes = boxes;
    return loaded;
}

// Three accounts of 300 mails, previews of many lengths, so that the file is
// several reading pieces long and strings straddle the borders between them.
void writeLargeTable() {
    accountCount = 3;
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        AccountRecord& a = accounts[k];
        a.name = "account " + std::to_string(k);
        a.host = "mail.example.org";
        a.user = "user";
        a.password = "secret";
        a.port = "110";
        a.uidValidity = std::to_string(1000 + k);
        a.uidNext = std::to_string(301 + k);
        a.mailCount = 300;
        for (int i = 0; i < a.mailCount; ++i) {
            std::string preview(static_cast<std::size_t>((i * 37) % 2100), '\0');
            for (std::size_t b = 0; b < preview.size(); ++b)
                preview[b] = static_cast<char>((b * 7 + static_cast<std::size_t>(i)) % 256);
            a.mails.setMail(
                i, MailEntry{"Tue, 07 Mar 2006 10:00:00 +0100", preview,
                             static_cast<std::uint32_t>(i + 1), static_cast<std::uint8_t>(i % 2),
                             "Sender " + std::to_string(i), "Subject " + std::to_string(k),
                             "uid-" + std::to_string(i), 7, 3, 2006, 1000 + i});
        }
    }
    ASSERT_TRUE(saveAllState());
}

class StateLoadTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
    }

    // The same files loaded on this thread and in the background.
    std::pair<Loaded, Loaded> loadBothWays(LoadScope scope = LoadScope::Everything) {
        Loaded here;
        {
            ThreadRecordingPresenter boxes;
            resetAccountsAndFlags();
            settings = Settings{};
            loadState(scope);
            here = snapshot(boxes.texts);
        }
        Loaded background;
        {
            ThreadRecordingPresenter boxes;
            resetAccountsAndFlags();
            settings = Settings{};
            BackgroundStateLoad load(scope);
            load.finish();
            background = snapshot(boxes.texts);
            EXPECT_EQ(boxes.threads, std::vector<std::thread::id>(boxes.threads.size(),
                                                                  std::this_thread::get_id()))
                << "every box on the thread that finished the load";
        }
        return {here, background};
    }

    test::TempDir dir;
};

TEST_F(StateLoadTest, ALargeTableLoadsAsItWasSaved) {
    writeLargeTable();
    std::vector<std::vector<MailEntry>> saved;
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        saved.emplace_back();
        for (int i = 0; i < accounts[k].mailCount; ++i)
            saved.back().push_back(accounts[k].mails.mail(i));
    }
    ASSERT_GT(fs::file_size(dir / "obx.msf"), 2 * 256 * 1024u);

    const auto [here, background] = loadBothWays();
    EXPECT_EQ(background, here);
    ASSERT_EQ(background.count, 3u);
    for (std::size_t k = 0; k < saved.size(); ++k)
        EXPECT_TRUE(background.lists[k] == saved[k]) << "account " << k;
    EXPECT_TRUE(background.boxes.empty());
}

// Each row a way the files can be damaged; the background load falls back
// exactly as the load on the window thread does.
TEST_F(StateLoadTest, DamagedFilesFallBackAsTheyDoOnTheCallersThread) {
    struct Case {
        const char* name;
        void (*damage)(const fs::path& dir);
    };
    const Case cases[] = {
        {"intact", [](const fs::path&) {}},
        {"obx.msf cut short",
         [](const fs::path& d) {
             fs::resize_file(d / "obx.msf", fs::file_size(d / "obx.msf") * 2 / 3);
         }},
        {"obx.msf missing", [](const fs::path& d) { fs::remove(d / "obx.msf"); }},
        {"obx.rd cut short", [](const fs::path& d) { fs::resize_file(d / "obx.rd", 100); }},
        {"obx.dat of another version",
         [](const fs::path& d) {
             test::writeBytes(d / "obx.dat", "*** Ombrix Version 2.0 ini file\r\n");
         }},
        {"obx.dat ends early",
         [](const fs::path& d) {
             const std::string whole = test::readBytes(d / "obx.dat");
             test::writeBytes(d / "obx.dat", whole.substr(0, whole.size() / 2));
         }},
        {"obx.dat unreadable",
         [](const fs::path& d) {
             fs::remove(d / "obx.dat");
             fs::create_directory(d / "obx.dat");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::resetProcessState();
        programDirectory = dir.path().string();
        fs::remove_all(dir / "obx.dat");
        writeLargeTable();
        c.damage(dir.path());
        const auto [here, background] = loadBothWays();
        EXPECT_EQ(background, here);
    }
}

TEST_F(StateLoadTest, TheScopeOfTheLoadIsKept) {
    writeLargeTable();
    for (const LoadScope scope : {LoadScope::ReadCounts, LoadScope::Accounts}) {
        const auto [here, background] = loadBothWays(scope);
        EXPECT_EQ(background, here);
        EXPECT_EQ(background.scope, scope);
    }
}

TEST_F(StateLoadTest, TheBoxesOfAnUnreadableObxDatComeOnlyWithFinish) {
    fs::create_directory(dir / "obx.dat");
    ThreadRecordingPresenter boxes;
    auto load = std::make_unique<BackgroundStateLoad>();
    load.reset(); // ended without finish(): nothing is shown
    EXPECT_TRUE(boxes.texts.empty());

    BackgroundStateLoad shown;
    shown.finish();
    shown.finish(); // a second call shows nothing again
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "could not open ini file !");
    EXPECT_EQ(boxes.threads[0], std::this_thread::get_id());
}

} // namespace
} // namespace ombrix
