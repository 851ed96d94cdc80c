// obx.msf read and written in pieces: whatever the size of the pieces and
// wherever a field meets their edge, the bytes and the table come out exactly
// as in one piece.

#include "config/byte_stream.h"
#include "config/mail_list_file.h"
#include "config/read_flag_file.h"
#include "config/state_fixtures.h"
#include "core/account_table.h"
#include "support/process_reset.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace ombrix {
namespace {

using namespace std::string_literals;

std::vector<std::uint8_t> readMarks(AccountRecord& a) {
    std::vector<std::uint8_t> marks;
    for (int i = 0; i < a.mailCount; ++i)
        marks.push_back(a.mails[i].read);
    return marks;
}

// Every reader chunk from one byte up, so that each field of the file lies
// across a chunk's edge at some chunk size; and the shipped one.
constexpr std::size_t kChunkSizes[] = {1, 2, 3, 4, 5, 7, 64, 4097, kStreamChunk};

struct StoredList {
    int mailCount = 0;
    std::uint8_t checked = 0;
    std::string uidValidity;
    std::string uidNext;
    std::vector<MailEntry> mails;

    bool operator==(const StoredList&) const = default;
};

std::vector<StoredList> listsInTable() {
    std::vector<StoredList> lists;
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        const AccountRecord& a = accounts[k];
        StoredList list{a.mailCount, a.checked, a.uidValidity, a.uidNext, {}};
        for (int i = 0; i < validMailCount(a); ++i)
            list.mails.push_back(a.mails.mail(i));
        lists.push_back(std::move(list));
    }
    return lists;
}

// Field lengths around every edge that matters: empty, the short-string
// limit, the length bytes' own byte boundaries, a page; mostly short ones, as
// in real lists.
std::string randomText(std::mt19937& random) {
    static constexpr std::size_t kShort[] = {0, 0, 1, 2, 3, 4, 5, 15, 16, 17, 31};
    static constexpr std::size_t kLong[] = {255, 256, 257, 4095, 4096, 4097};
    std::uniform_int_distribution<std::size_t> shortOne(0, std::size(kShort) - 1);
    std::uniform_int_distribution<std::size_t> longOne(0, std::size(kLong) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(percent(random) < 90 ? kShort[shortOne(random)] : kLong[longOne(random)],
                     '\0');
    for (char& c : text)
        c = static_cast<char>(byte(random));
    return text;
}

// Longer than a reader's chunk: it lies across several of them.
constexpr std::size_t kHugeField = kStreamChunk + 37856;

// Accounts of 3000, none, a few and one mail, every field random, numbers
// within what the file keeps (16-bit year and position).
void fillRandomTable(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> word(0, 0xFFFF);
    std::uniform_int_distribution<std::int32_t> size(INT32_MIN, INT32_MAX);
    const int counts[] = {kMaxMails, 0, 37, 1};
    accountCount = std::size(counts);
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        AccountRecord& a = accounts[k];
        a.mailCount = counts[k];
        a.uidValidity = randomText(random);
        a.uidNext = randomText(random);
        for (int i = 0; i < a.mailCount; ++i)
            a.mails.setMail(i, MailEntry{.date = randomText(random),
                                         .bodyPreview = randomText(random),
                                         .serverPosition = static_cast<std::uint32_t>(word(random)),
                                         .read = static_cast<std::uint8_t>(byte(random) & 1),
                                         .from = randomText(random),
                                         .subject = randomText(random),
                                         .uid = randomText(random),
                                         .day = static_cast<std::uint8_t>(byte(random)),
                                         .month = static_cast<std::uint8_t>(byte(random)),
                                         .year = word(random),
                                         .size = size(random)});
    }
    accounts[0].mails.setFrom(1, std::string(kHugeField, 'f'));
    accounts[0].mails.setBodyPreview(2, std::string(kHugeField, '\xFF'));
}

// A supply over `bytes` that hands out at most `most` bytes a call, as a
// file or a pipe may.
ByteSupply supplyOf(std::string_view bytes, std::size_t most) {
    return [bytes, most](std::span<char> into) mutable {
        const std::size_t given = std::min({into.size(), bytes.size(), most});
        std::copy_n(bytes.data(), given, into.data());
        bytes.remove_prefix(given);
        return given;
    };
}

void decodeInPieces(std::string_view bytes, std::size_t chunk, ListDetail detail,
                    std::size_t most = SIZE_MAX) {
    ByteReader in(supplyOf(bytes, most), bytes.size(), chunk);
    decodeMailListFile(in, detail);
}

std::string encodeInPieces(std::size_t chunk, std::vector<std::size_t>& pieceSizes) {
    std::string bytes;
    ByteWriter out(
        [&](std::string_view piece) {
            bytes += piece;
            pieceSizes.push_back(piece.size());
        },
        chunk);
    encodeMailListFile(out);
    return bytes;
}

// The table as loadState leaves it before reading: cleared, the accounts there.
void clearLists(std::uint32_t count) {
    test::resetProcessState();
    accountCount = count;
}

class MailListStreamTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
};

TEST_F(MailListStreamTest, ALargeTableComesBackWhateverTheChunkSize) {
    fillRandomTable(20261209);
    const std::vector<StoredList> written = listsInTable();
    const std::string whole = encodeMailListFile();
    for (const std::size_t chunk : kChunkSizes) {
        SCOPED_TRACE(chunk);
        std::vector<std::size_t> pieceSizes;
        ASSERT_EQ(encodeInPieces(chunk, pieceSizes), whole);
        EXPECT_LE(*std::max_element(pieceSizes.begin(), pieceSizes.end()), chunk + kHugeField + 4)
            << "handed on as it goes, not collected whole";

        clearLists(4);
        decodeInPieces(whole, chunk, ListDetail::Entries);
        std::vector<StoredList> read = listsInTable();
        for (StoredList& list : read)
            for (MailEntry& mail : list.mails)
                mail.read = 0;
        std::vector<StoredList> expected = written;
        for (StoredList& list : expected) {
            list.checked = 1;
            for (MailEntry& mail : list.mails)
                mail.read = 0; // read flags live in obx.rd
        }
        EXPECT_TRUE(read == expected);
        EXPECT_EQ(encodeMailListFile(), whole) << "written back byte for byte";
    }
}

TEST_F(MailListStreamTest, ShortSuppliesAreReadOnToTheEnd) {
    fillRandomTable(7);
    const std::string whole = encodeMailListFile();
    const std::vector<StoredList> expected = listsInTable();
    for (const std::size_t most : {std::size_t{1}, std::size_t{1000}}) {
        SCOPED_TRACE(most);
        clearLists(4);
        decodeInPieces(whole, kStreamChunk, ListDetail::Entries, most);
        EXPECT_EQ(encodeMailListFile(), whole);
    }
}

TEST_F(MailListStreamTest, CutsAnywhereStopLikeTheWholeFileCutThere) {
    fillRandomTable(99);
    const std::string whole = encodeMailListFile();
    std::mt19937 random(5);
    std::uniform_int_distribution<std::size_t> cutAt(0, whole.size());
    for (int round = 0; round < 12; ++round) {
        const std::size_t cut = round == 0 ? whole.size() - 1 : cutAt(random);
        const std::string_view cutBytes = std::string_view(whole).substr(0, cut);
        SCOPED_TRACE(cut);
        clearLists(4);
        decodeMailListFile(cutBytes);
        const std::vector<StoredList> inOnePiece = listsInTable();
        for (const std::size_t chunk : {std::size_t{5}, kStreamChunk}) {
            clearLists(4);
            decodeInPieces(cutBytes, chunk, ListDetail::Entries);
            EXPECT_TRUE(listsInTable() == inOnePiece) << "chunk " << chunk;
        }
    }
}

// A file that is shorter than its size said (it shrank under the reader)
// reads like a cut one: nothing past the bytes that came.
TEST_F(MailListStreamTest, ASupplyThatEndsEarlyIsACut) {
    const std::string full = test::mailListFixture();
    const std::string_view firstAccount =
        std::string_view(full).substr(0, test::kFirstAccountListEnd);
    clearLists(2);
    ByteReader in(supplyOf(firstAccount, SIZE_MAX), full.size(), 7);
    decodeMailListFile(in);
    EXPECT_EQ(accounts[0].mailCount, 2);
    EXPECT_EQ(accounts[1].mailCount, 0);
    EXPECT_EQ(accounts[1].checked, 0);
    EXPECT_TRUE(in.failed());
}

// --unread reads only the counts; they and the read flags must be exactly
// what a full load gives, on whole and on cut files.
TEST_F(MailListStreamTest, CountsOnlyGiveTheCountsAndReadFlagsOfAFullLoad) {
    fillRandomTable(3);
    const std::string bigList = encodeMailListFile();
    std::vector<std::string> files = {test::mailListFixture(), bigList};
    for (std::size_t cut = 0; cut < test::mailListFixture().size(); cut += 5)
        files.push_back(test::mailListFixture().substr(0, cut));
    const std::string flags = "\x01\x00\x01\x01\x00"s;
    for (std::size_t f = 0; f < files.size(); ++f) {
        SCOPED_TRACE(f);
        const std::uint32_t count = f == 1 ? 4 : 2;
        clearLists(count);
        decodeMailListFile(files[f], ListDetail::Entries);
        decodeReadFlagFile(flags);
        std::vector<std::pair<int, std::vector<std::uint8_t>>> full;
        for (std::uint32_t k = 0; k < count; ++k)
            full.emplace_back(accounts[k].mailCount, readMarks(accounts[k]));

        clearLists(count);
        decodeInPieces(files[f], 3, ListDetail::CountsOnly);
        decodeReadFlagFile(flags);
        for (std::uint32_t k = 0; k < count; ++k) {
            EXPECT_EQ(accounts[k].mailCount, full[k].first) << k;
            EXPECT_EQ(readMarks(accounts[k]), full[k].second) << k;
            EXPECT_EQ(accounts[k].mails.from(0), "") << "no entry is kept";
        }
    }
}

} // namespace
} // namespace ombrix
