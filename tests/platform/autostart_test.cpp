#include "platform/autostart.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

class AutostartTest : public testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old)
            saved_ = old;
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    }
    void TearDown() override {
        if (saved_)
            setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    test::TempDir home;

private:
    std::optional<std::string> saved_;
};

TEST_F(AutostartTest, EntryLivesUnderTheConfigHome) {
    EXPECT_EQ(autostartEntryPath(), home / "autostart" / "ombrixwatch.desktop");
}

TEST_F(AutostartTest, WrittenDirectoryIsReadBackWhateverItsCharacters) {
    const std::string directories[] = {
        "/home/u/.config/ombrix", "/with space/dir", "/q\"uote/and\\back",
        "/100%/$HOME/`x`",        "/tab\there",      "/ümlaut"};
    for (const std::string& directory : directories) {
        SCOPED_TRACE(directory);
        ASSERT_FALSE(writeAutostartEntry("/usr/bin/ombrix", directory));
        EXPECT_EQ(readAutostartDirectory(), directory);
    }
}

TEST_F(AutostartTest, ExecLinesWrittenByHandAreUnderstood) {
    struct Row {
        const char* exec;
        std::optional<std::string> directory;
    };
    const Row rows[] = {
        {"/usr/bin/ombrix --dir /home/u/mail", "/home/u/mail"},
        {"ombrix --lang de --dir \"/home/u/my mail\"", "/home/u/my mail"},
        {"\"/opt/o b/ombrix\" --dir \"/a\\\\\\\\b\"", "/a\\b"},
        {"ombrix --dir \"/100%%\"", "/100%"},
        {"ombrix", std::nullopt},
        {"ombrix --dir", std::nullopt},
        {"ombrix --dir \"/open", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(directoryFromExecLine(row.exec), row.directory) << row.exec;
}

TEST_F(AutostartTest, DeletingRemovesTheEntry) {
    EXPECT_FALSE(readAutostartDirectory());
    EXPECT_FALSE(deleteAutostartEntry()); // nothing there is no error
    ASSERT_FALSE(writeAutostartEntry("/usr/bin/ombrix", "/d"));
    const std::string text = test::readBytes(autostartEntryPath());
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/usr/bin/ombrix\" --dir \"/d\"\n"), std::string::npos);
    EXPECT_FALSE(deleteAutostartEntry());
    EXPECT_FALSE(std::filesystem::exists(autostartEntryPath()));
    EXPECT_FALSE(readAutostartDirectory());
}

} // namespace
} // namespace ombrix
