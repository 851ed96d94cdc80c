#include "mime/message_part.h"
#include "mime/row_name.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace ombrix {
namespace {

// Every file under tests/fixtures/mime: the fuzzer's seed mails and each input
// that once broke the parser, kept under a name that says what it exercised.
std::vector<std::filesystem::path> mimeFixtures() {
    const char* sourceDir = std::getenv("OMBRIX_SOURCE_DIR");
    const std::filesystem::path dir =
        std::filesystem::path(sourceDir ? sourceDir : OMBRIX_TEST_SOURCE_DIR) /
        "tests/fixtures/mime";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FixtureReplay, EveryKeptInputLoadsInsideItsBounds) {
    const auto files = mimeFixtures();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const std::string bytes = readFile(file);
        const test::ExactBuffer text(bytes);
        MessagePart mail;
        const long loaded = mail.load(text.view());
        EXPECT_GE(loaded, 0) << file.filename();
        EXPECT_LE(loaded, static_cast<long>(bytes.size())) << file.filename();
    }
}

} // namespace
} // namespace ombrix
