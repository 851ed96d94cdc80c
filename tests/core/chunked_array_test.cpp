// The mail arrays: every index valid, storage only where entries were
// reached for writing, and the copies, moves and clears of a slot.

#include "core/account_table.h"
#include "core/chunked_array.h"
#include "support/process_reset.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace ombrix {
namespace {

// 300 strings: chunks of 128, 128 and a short last one of 44.
using Texts = ChunkedArray<std::string, 300>;
using Numbers = ChunkedArray<std::int32_t, kMaxMails>;
constexpr int kChunk = Texts::kChunkSize;

TEST(ChunkedArrayTest, ChunkSizesFollowTheEntrySize) {
    EXPECT_EQ(kChunk, 128);
    EXPECT_EQ(Texts::kChunks, 3);
    EXPECT_EQ(Numbers::kChunkSize, 1024);
    EXPECT_EQ(Numbers::kChunks, 3);
    // Read flags: one chunk of exactly the array's length.
    EXPECT_EQ((ChunkedArray<std::uint8_t, kMaxMails>::kChunks), 1);
    EXPECT_EQ(Texts::size(), 300u);
}

TEST(ChunkedArrayTest, EntriesNeverWrittenReadEmptyWithoutStorage) {
    const auto texts = std::make_unique<Texts>();
    const Texts& view = *texts;
    EXPECT_TRUE(view[0].empty());
    EXPECT_TRUE(view[299].empty());
    EXPECT_EQ(
        std::count_if(view.begin(), view.end(), [](const std::string& s) { return s.empty(); }),
        300);
    const Numbers numbers;
    EXPECT_EQ(std::accumulate(numbers.begin(), numbers.end(), 0), 0);
    EXPECT_EQ(view.allocatedEntries(), 0u);
    EXPECT_EQ(numbers.allocatedEntries(), 0u);
}

TEST(ChunkedArrayTest, WritesAtTheChunkBordersLandInTheirOwnChunks) {
    Texts texts;
    texts[kChunk - 1] = "last of the first";
    EXPECT_EQ(texts.allocatedEntries(), std::size_t{kChunk});
    texts[kChunk] = "first of the second";
    texts[299] = "last of all";
    EXPECT_EQ(texts.allocatedEntries(), 300u);
    const Texts& view = texts;
    EXPECT_EQ(view[kChunk - 1], "last of the first");
    EXPECT_EQ(view[kChunk], "first of the second");
    EXPECT_EQ(view[299], "last of all");
    for (int i : {0, kChunk - 2, kChunk + 1, 2 * kChunk - 1, 2 * kChunk, 298})
        EXPECT_TRUE(view[i].empty()) << i;
    // Iteration walks across the borders in index order.
    std::vector<std::string> written;
    std::copy_if(view.begin(), view.end(), std::back_inserter(written),
                 [](const std::string& s) { return !s.empty(); });
    EXPECT_EQ(written, (std::vector<std::string>{"last of the first", "first of the second",
                                                 "last of all"}));
}

TEST(ChunkedArrayTest, OnlyTheChunksAListReachesAreAllocated) {
    Numbers numbers;
    std::fill_n(numbers.begin(), 50, 7);
    EXPECT_EQ(numbers.allocatedEntries(), std::size_t{Numbers::kChunkSize});
    std::fill_n(numbers.begin(), Numbers::kChunkSize + 1, 7);
    EXPECT_EQ(numbers.allocatedEntries(), std::size_t{2 * Numbers::kChunkSize});
    EXPECT_EQ(numbers[Numbers::kChunkSize], 7);
    EXPECT_EQ(numbers[Numbers::kChunkSize + 1], 0);
    // Random-access arithmetic, as the algorithms use it.
    auto it = numbers.begin() + Numbers::kChunkSize;
    EXPECT_EQ(it - numbers.begin(), Numbers::kChunkSize);
    EXPECT_EQ(it[-1], 7);
    EXPECT_EQ(*(--it), 7);
    EXPECT_EQ(numbers.end() - numbers.begin(), kMaxMails);
}

TEST(ChunkedArrayTest, FillSetsEveryEntryAndTheEmptyValueGivesTheStorageBack) {
    Texts texts;
    texts.fill("x");
    EXPECT_EQ(texts.allocatedEntries(), 300u);
    EXPECT_TRUE(std::all_of(texts.begin(), texts.end(), [](const auto& s) { return s == "x"; }));
    texts.fill("");
    EXPECT_EQ(texts.allocatedEntries(), 0u);
    EXPECT_TRUE(std::as_const(texts)[299].empty());
    texts[5] = "y";
    texts.clear();
    EXPECT_EQ(texts.allocatedEntries(), 0u);
    EXPECT_TRUE(std::as_const(texts)[5].empty());
}

TEST(ChunkedArrayTest, CopiesAreDeepAndTakeOverTheGapsOfTheSource) {
    Texts source;
    source[3] = "three";
    source[299] = "end";
    Texts copy;
    copy[kChunk + 1] = "left over"; // a chunk the source does not have
    copy = source;
    source[3] = "changed";
    EXPECT_EQ(copy[3], "three");
    EXPECT_EQ(copy[299], "end");
    EXPECT_TRUE(std::as_const(copy)[kChunk + 1].empty());
    EXPECT_EQ(copy.allocatedEntries(), source.allocatedEntries());
    const Texts constructed(copy);
    EXPECT_EQ(constructed[299], "end");
}

TEST(ChunkedArrayTest, MovesAndSwapsHandOverTheStorage) {
    Texts a;
    a[1] = "a1";
    Texts b;
    b[kChunk] = "b";
    swap(a, b);
    EXPECT_EQ(a[kChunk], "b");
    EXPECT_TRUE(std::as_const(a)[1].empty());
    EXPECT_EQ(b[1], "a1");
    Texts moved(std::move(b));
    EXPECT_EQ(moved[1], "a1");
    EXPECT_EQ(b.allocatedEntries(), 0u); // a moved-from array is empty
    moved = std::move(a);
    EXPECT_EQ(moved[kChunk], "b");
    EXPECT_TRUE(std::as_const(moved)[1].empty());
}

// Two threads that reach one fresh chunk at once share it: neither write is
// lost, whichever allocation wins.
TEST(ChunkedArrayTest, ThreadsReachingOneFreshChunkAgreeOnIt) {
    for (int round = 0; round < 50; ++round) {
        Numbers numbers;
        std::thread other([&numbers] { numbers[1] = 11; });
        numbers[2] = 22;
        other.join();
        EXPECT_EQ(numbers[1], 11);
        EXPECT_EQ(numbers[2], 22);
        EXPECT_EQ(numbers.allocatedEntries(), std::size_t{Numbers::kChunkSize});
    }
}

class AccountStorageTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

MailEntry mailWith(std::string subject, std::string body, std::int32_t size) {
    MailEntry mail;
    mail.subject = std::move(subject);
    mail.bodyPreview = std::move(body);
    mail.size = size;
    return mail;
}

// The slot's mail list in entries held plus bytes of text.
std::size_t storedEntries(const AccountRecord& a) {
    return static_cast<std::size_t>(a.mails.size()) + a.mails.textBytes();
}

TEST_F(AccountStorageTest, ASmallAccountHoldsOneChunkPerArrayAndClearingFreesIt) {
    for (const auto& a : accounts)
        EXPECT_EQ(storedEntries(a), 0u);
    AccountRecord& a = accounts[1];
    for (int i = 0; i < 50; ++i)
        storeMail(a, i, mailWith("s" + std::to_string(i), "b", i));
    a.mailCount = 50;
    // Fifty entries, their subjects ("s0" .. "s49") and previews ("b").
    EXPECT_EQ(storedEntries(a), 50u + (10 * 2 + 40 * 3) + 50 * 1);
    EXPECT_EQ(storedEntries(accounts[0]), 0u);
    clearAccount(a);
    EXPECT_EQ(storedEntries(a), 0u);
    EXPECT_EQ(mailAt(a, 49), MailEntry{});
}

TEST_F(AccountStorageTest, ACopiedSlotIsItsOwn) {
    storeMail(accounts[0], kMaxMails - 1, mailWith("", "body", 9));
    accounts[0].mailCount = kMaxMails;
    auto copy = std::make_unique<AccountRecord>(accounts[0]);
    clearAccount(accounts[0]);
    EXPECT_EQ(copy->mailCount, kMaxMails);
    EXPECT_EQ(mailAt(*copy, kMaxMails - 1), mailWith("", "body", 9));
    EXPECT_EQ(mailAt(accounts[0], kMaxMails - 1), MailEntry{});
}

} // namespace
} // namespace ombrix
