// The UIDL listing read as it streams in: pairing by the number each line
// names, in any chunking.

#include "check/pop3_uid_listing.h"

#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

// The listing fed whole, byte by byte, split between CR and LF, and split
// inside the id of the first mail's line.
std::vector<Pop3UidListing> fedInEveryWay(const std::string& bytes, std::uint64_t first,
                                          int count) {
    std::vector<Pop3UidListing> listings(4, Pop3UidListing(first, count));
    listings[0].feed(bytes);
    for (const char byte : bytes)
        listings[1].feed(std::string_view(&byte, 1));
    const std::size_t cr = bytes.find('\r', 6);
    listings[2].feed(std::string_view(bytes).substr(0, cr + 1));
    listings[2].feed(std::string_view(bytes).substr(cr + 1));
    const std::size_t inId = bytes.find(' ', bytes.find('\n')) + 2;
    listings[3].feed(std::string_view(bytes).substr(0, inId));
    listings[3].feed(std::string_view(bytes).substr(inId));
    return listings;
}

TEST(Pop3UidListingTest, IdsLandOnTheMessageTheirLineNames) {
    const std::string bytes = "+OK 4 messages\r\n3 ccc\r\n1 aaa\r\n4 ddd\r\n2 bbb\r\n.\r\n";
    for (const Pop3UidListing& listing : fedInEveryWay(bytes, 1, 4)) {
        EXPECT_EQ(listing.status(), Pop3UidListing::Status::Listed);
        ASSERT_TRUE(listing.complete());
        EXPECT_EQ(listing.uid(0), "aaa\r\n");
        EXPECT_EQ(listing.uid(2), "ccc\r\n");
        EXPECT_EQ(listing.uid(3), "ddd\r\n");
    }
}

TEST(Pop3UidListingTest, KeepsOnlyTheWantedNumbersAndTheFirstLineOfEach) {
    const std::string bytes =
        "+OK\r\n1 old\r\n5 e\r\n3 c\r\n3 again\r\nx y\r\n 4 blank\r\n4 d\r\n6 new\r\n.\r\n";
    for (const Pop3UidListing& listing : fedInEveryWay(bytes, 3, 3)) {
        ASSERT_TRUE(listing.complete());
        EXPECT_EQ(listing.uid(0), "c\r\n");
        EXPECT_EQ(listing.uid(1), "d\r\n");
        EXPECT_EQ(listing.uid(2), "e\r\n");
    }
}

TEST(Pop3UidListingTest, AMissingNumberLeavesItIncomplete) {
    Pop3UidListing listing(1, 3);
    listing.feed("+OK\r\n1 a\r\n3 c\r\n.\r\n");
    EXPECT_EQ(listing.status(), Pop3UidListing::Status::Listed);
    EXPECT_FALSE(listing.complete());
}

TEST(Pop3UidListingTest, StatusLineDecidesRefusedOrUnreadable) {
    Pop3UidListing refused(1, 1);
    refused.feed("-E"); // a refusal may end before its line does
    EXPECT_EQ(refused.status(), Pop3UidListing::Status::Refused);

    Pop3UidListing other(1, 1);
    other.feed("* OK IMAP4rev1\r\n1 a\r\n");
    EXPECT_EQ(other.status(), Pop3UidListing::Status::Unreadable);
}

TEST(Pop3UidListingTest, AnOverlongLineIsCutNotStoredWhole) {
    Pop3UidListing listing(1, 2);
    listing.feed("+OK\r\n1 " + std::string(5000, 'u') + "\r\n2 b\r\n.\r\n");
    ASSERT_TRUE(listing.complete());
    EXPECT_LT(listing.uid(0).size(), 1000u);
    EXPECT_EQ(listing.uid(1), "b\r\n") << "the next line is read as its own";
}

} // namespace
} // namespace ombrix::test
