// The pending marks: how later marks join earlier ones, what a list that no
// longer holds a mail does to them, and their line in ombrix.conf.

#include "config/program_conf.h"
#include "mark/pending_marks.h"
#include "mark/seen_marks.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

TEST(SeenMarks, TheLaterMarkOfAMailCountsAndOtherMailsKeepTheirs) {
    const SeenMarks earlier{"7", {1, 4, 9}, {2, 5}};
    const SeenMarks later{"7", {2, 3}, {4}};
    EXPECT_EQ(mergedMarks(earlier, later), (SeenMarks{"7", {1, 2, 3, 9}, {4, 5}}));
    // Under another UIDVALIDITY the earlier UIDs name no mail of the list.
    EXPECT_EQ(mergedMarks(earlier, SeenMarks{"8", {3}, {}}), (SeenMarks{"8", {3}, {}}));
    EXPECT_EQ(mergedMarks({}, later), later);
    // Nothing new (a check that sends what is pending) keeps what waits.
    EXPECT_EQ(mergedMarks(earlier, {}), earlier);
}

TEST(SeenMarks, WhatWasSentLeavesButANewerOppositeMarkStays) {
    // 4 was sent as read, then marked unread again before the answer came.
    const SeenMarks pending{"7", {1, 9}, {4}};
    const SeenMarks sent{"7", {1, 4}, {}};
    EXPECT_EQ(withoutMarks(pending, sent), (SeenMarks{"7", {9}, {4}}));
    EXPECT_TRUE(withoutMarks(sent, sent).empty());
    // Marks of another UIDVALIDITY are others' marks.
    EXPECT_EQ(withoutMarks(pending, SeenMarks{"6", {1, 9}, {4}}), pending);
}

TEST(SeenMarks, OnlyMailsTheListStillHoldsUnderItsUidValidityKeepMarks) {
    const SeenMarks pending{"7", {1, 4, 9}, {2}};
    const std::vector<std::uint32_t> listed{9, 2, 3};
    EXPECT_EQ(marksOnListed(pending, "7", listed), (SeenMarks{"7", {9}, {2}}));
    EXPECT_TRUE(marksOnListed(pending, "8", listed).empty());
    EXPECT_TRUE(marksOnListed(pending, "7", {}).empty());
}

TEST(PendingMarks, AreOneLineInOmbrixConfPerAccountAndGoWhenEmpty) {
    const SecretKey anna{"imap.example.org", "anna b", "imap", 993};
    const SecretKey bert{"imap.example.org", "bert", "imap", 993};
    ProgramConf conf = ProgramConf::parse("idle=on\n");
    setPendingMarks(conf, anna, {"1700000000", {4, 9}, {7}});
    setPendingMarks(conf, bert, {"12", {}, {3}});
    EXPECT_EQ(conf.serialize(), "idle=on\n"
                                "pendingMarks/imap/993/imap.example.org/anna%20b="
                                "1700000000 seen=4,9 unseen=7\n"
                                "pendingMarks/imap/993/imap.example.org/bert=12 unseen=3\n");
    const ProgramConf again = ProgramConf::parse(conf.serialize());
    EXPECT_EQ(pendingMarksOf(again, anna), (SeenMarks{"1700000000", {4, 9}, {7}}));
    EXPECT_EQ(pendingMarksOf(again, bert), (SeenMarks{"12", {}, {3}}));

    setPendingMarks(conf, anna, {"1700000000", {}, {}});
    EXPECT_EQ(conf.serialize(),
              "idle=on\npendingMarks/imap/993/imap.example.org/bert=12 unseen=3\n");
    EXPECT_TRUE(pendingMarksOf(conf, anna).empty());
}

TEST(PendingMarks, AValueNoVersionWroteSendsNothing) {
    struct Row {
        const char* name;
        const char* text;
    };
    const Row rows[] = {
        {"no uidvalidity", "seen=4"},
        {"a letter in a uid", "7 seen=4,x"},
        {"uid zero", "7 seen=0"},
        {"a range", "7 seen=4:9"},
        {"an unknown field", "7 flagged=4"},
        {"a negative uidvalidity", "-7 seen=4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(parsePendingMarks(row.text).empty());
    }
    // A mail in both lists has no known mark; the others keep theirs.
    EXPECT_EQ(parsePendingMarks("7 seen=4,5 unseen=5"), (SeenMarks{"7", {4}, {}}));
    EXPECT_EQ(parsePendingMarks("7  seen=9,4,4"), (SeenMarks{"7", {4, 9}, {}}));
}

} // namespace
} // namespace ombrix
