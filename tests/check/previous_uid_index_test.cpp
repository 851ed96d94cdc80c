#include "check/previous_uid_index.h"

#include <gtest/gtest.h>
#include <memory>

namespace ombrix {
namespace {

class PreviousUidTest : public testing::Test {
protected:
    void SetUp() override {
        previousList->mailCount = 5;
        previousList->mails.setUid(0, "AAA\r\n");
        previousList->mails.setUid(1, "abc\r\n");
        previousList->mails.setUid(2, "ABC\r\n");
        previousList->mails.setUid(3, "abc\r\n");
        previousList->mails.setUid(4, "17");
        previousList->mails.setUid(5, "beyond\r\n"); // past mailCount: stale data of an older list
    }

    std::unique_ptr<AccountRecord> previousList = std::make_unique<AccountRecord>();
};

TEST_F(PreviousUidTest, AnswersTheLowestIndexOfAnId) {
    const PreviousUidIndex index(*previousList);
    EXPECT_EQ(index.find("abc\r\n"), 1);
    EXPECT_EQ(index.find("ABC\r\n"), 2);
    EXPECT_EQ(index.find("17"), 4);
    EXPECT_EQ(FindPreviousUid("abc\r\n", *previousList), 1);
}

TEST_F(PreviousUidTest, ComparesAsExactText) {
    const PreviousUidIndex index(*previousList);
    EXPECT_EQ(index.find("abc"), -1) << "the POP3 line end is part of the id";
    EXPECT_EQ(index.find("Abc\r\n"), -1);
    EXPECT_EQ(index.find("1"), -1);
    EXPECT_EQ(index.find("17 "), -1);
}

TEST_F(PreviousUidTest, SearchesOnlyBelowMailCount) {
    EXPECT_EQ(PreviousUidIndex(*previousList).find("beyond\r\n"), -1);
    previousList->mailCount = -1;
    EXPECT_EQ(PreviousUidIndex(*previousList).find("AAA\r\n"), -1);
    EXPECT_EQ(FindPreviousUid("AAA\r\n", *previousList), -1);
}

TEST_F(PreviousUidTest, IndexKeepsItsAnswersWhenTheListChangesLater) {
    const PreviousUidIndex index(*previousList);
    previousList->mails.setUid(1, "changed");
    previousList->mails.setUid(0, "");
    EXPECT_EQ(index.find("abc\r\n"), 1);
    EXPECT_EQ(index.find("AAA\r\n"), 0);
}

TEST_F(PreviousUidTest, ALaterBuiltIndexTakesTheListOfItsFirstBuildOnly) {
    PreviousUidIndex index;
    EXPECT_EQ(index.find("abc\r\n"), -1) << "not built yet";
    index.buildOnce(*previousList);
    previousList->mails.setUid(1, "moved away");
    index.buildOnce(*previousList); // a second listing of the same check changes nothing
    EXPECT_EQ(index.find("abc\r\n"), 1);
    EXPECT_EQ(index.find("moved away"), -1);
}

TEST_F(PreviousUidTest, FullListOfDistinctIdsFindsEveryEntry) {
    previousList->mailCount = kMaxMails;
    for (int j = 0; j < kMaxMails; ++j)
        previousList->mails.setUid(j, std::to_string(100000 + j));
    const PreviousUidIndex index(*previousList);
    for (int j = 0; j < kMaxMails; ++j)
        ASSERT_EQ(index.find(std::to_string(100000 + j)), j);
    EXPECT_EQ(index.find(std::to_string(100000 + kMaxMails)), -1);
}

} // namespace
} // namespace ombrix
