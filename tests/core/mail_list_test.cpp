#include "core/mail_list.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace ombrix {
namespace {

// Every field of the entry set to a value of its own, through eachField: a
// field added to MailEntry is set here without this test knowing its name.
MailEntry distinctMail(int seed) {
    MailEntry mail;
    int n = seed;
    eachField(mail, [&n](std::string_view name, auto& value, auto) {
        ++n;
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
            value = std::string(name) + "-" + std::to_string(n);
        else
            value = static_cast<std::decay_t<decltype(value)>>(n);
    });
    return mail;
}

TEST(MailListTest, EveryFieldOfAMailIsKeptAndReadBack) {
    MailList list;
    const MailEntry first = distinctMail(0);
    const MailEntry second = distinctMail(100);
    list.append(first);
    list.append(second);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.mail(0), first);
    EXPECT_EQ(list.mail(1), second);
    int fields = 0;
    eachField(first, [&fields](std::string_view, const auto&, auto) { ++fields; });
    EXPECT_EQ(fields, 11);
    EXPECT_EQ(list.subject(1), second.subject);
    EXPECT_EQ(list[1].size, second.size);
}

TEST(MailListTest, EntriesPastTheEndReadEmptyAndWritingOneLengthensTheList) {
    MailList list;
    const MailList& view = list;
    EXPECT_EQ(view[5].read, 0);
    EXPECT_EQ(view.subject(5), "");
    EXPECT_EQ(list.size(), 0); // a const look never lengthens it
    list.setUid(3, "u3");
    list[4].read = 1;
    ASSERT_EQ(list.size(), 5);
    EXPECT_EQ(list.uid(3), "u3");
    EXPECT_EQ(list.mail(0), MailEntry{});
    list.resize(2);
    EXPECT_EQ(list.size(), 2);
    EXPECT_EQ(view.uid(3), "");
}

TEST(MailListTest, EditedTextsReadTheirNewValueAndTheWasteIsGivenBack) {
    MailList list;
    for (int i = 0; i < 100; ++i)
        list.append(distinctMail(i));
    const std::string longer(5000, 'x');
    list.setSubject(7, "short"); // fits where the old text was
    EXPECT_EQ(list.subject(7), "short");
    for (int round = 0; round < 40; ++round)
        list.setBodyPreview(round % 100, longer + std::to_string(round));
    EXPECT_EQ(list.bodyPreview(39), longer + "39");
    EXPECT_EQ(list.subject(7), "short");
    EXPECT_EQ(list.mail(50), distinctMail(50));
    // Every edit left waste; a rewrite came once it was more than the texts.
    EXPECT_LE(list.wasteBytes(), list.textBytes() / 2 + 1);
    list.compact();
    EXPECT_EQ(list.wasteBytes(), 0u);
    EXPECT_EQ(list.bodyPreview(39), longer + "39");
    EXPECT_EQ(list.mail(99), distinctMail(99));
}

TEST(MailListTest, ATextCopiedWithinTheListSurvivesTheArenaGrowing) {
    MailList list;
    list.setBodyPreview(0, std::string(1000, 'p'));
    // The arena grows with each copy and moves on the way.
    for (int i = 1; i < 12; ++i)
        list.copyMail(i, list, i - 1);
    EXPECT_EQ(list.bodyPreview(11), std::string(1000, 'p'));
    list.setSubject(0, list.bodyPreview(0)); // a value out of the arena itself
    EXPECT_EQ(list.subject(0), std::string(1000, 'p'));
    list.copyMail(3, list, 3, false);
    EXPECT_EQ(list.bodyPreview(3), "");
    EXPECT_EQ(list.subject(3), "");
}

TEST(MailListTest, ReorderAndSwapMoveWholeEntries) {
    MailList list;
    for (int i = 0; i < 4; ++i)
        list.append(distinctMail(10 * i));
    list.reorder({2, 0, 3, 1});
    EXPECT_EQ(list.mail(0), distinctMail(20));
    EXPECT_EQ(list.mail(1), distinctMail(0));
    EXPECT_EQ(list.mail(2), distinctMail(30));
    EXPECT_EQ(list.mail(3), distinctMail(10));
    list.swapMails(0, 3);
    EXPECT_EQ(list.mail(0), distinctMail(10));
    EXPECT_EQ(list.mail(3), distinctMail(20));
}

TEST(MailListTest, EqualListsHoldTheSameMailsWhereverTheirTextsLie) {
    MailList a;
    MailList b;
    a.append(distinctMail(1));
    a.append(distinctMail(2));
    b.setMail(1, distinctMail(2));
    b.setMail(0, distinctMail(1));
    EXPECT_EQ(a, b);
    b.setFrom(1, "someone else");
    EXPECT_NE(a, b);
    b.setFrom(1, distinctMail(2).from);
    b[0].read = static_cast<std::uint8_t>(b[0].read + 1);
    EXPECT_NE(a, b);
    b.resize(1);
    EXPECT_NE(a, b);
}

TEST(MailListTest, AMovedListLeavesAnEmptyOneAndClearGivesTheMemoryBack) {
    MailList list;
    list.append(distinctMail(3));
    MailList taken = std::move(list);
    EXPECT_EQ(taken.mail(0), distinctMail(3));
    taken.clear();
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(taken.textBytes(), 0u);
}

// The last list as a run copies it: every field but the preview.
MailList withoutPreviews(const MailList& list) {
    MailList copy;
    for (int i = 0; i < list.size(); ++i)
        copy.copyMail(i, list, i, false);
    return copy;
}

std::size_t textsOf(const MailEntry& mail) {
    return mail.date.size() + mail.bodyPreview.size() + mail.from.size() + mail.subject.size() +
           mail.uid.size();
}

MailEntry withPreview(MailEntry mail, std::string preview) {
    mail.bodyPreview = std::move(preview);
    return mail;
}

TEST(MailListTest, KeptMailsTakeTheirTextsFromTheOldListWhicheverBlockIsKept) {
    // Large previews kept: the old list's block is taken over. Small ones
    // beside a large new mail: they are copied and the old list stays.
    for (const std::size_t kept : {std::size_t{1000}, std::size_t{3}}) {
        SCOPED_TRACE(kept);
        MailList old;
        for (int j = 0; j < 4; ++j)
            old.append(withPreview(distinctMail(10 * j), std::string(kept, char('a' + j))));
        const MailList last = withoutPreviews(old);
        MailList working;
        working.copyMail(0, last, 2);
        working.append(withPreview(distinctMail(77), std::string(500, 'n')));
        working.copyMail(2, last, 0);
        working.copyMail(3, last, 2); // the server listed it twice
        working[0].read = 7;
        working.takeKeptTexts(old, {2, -1, 0, 2});

        MailEntry expected = withPreview(distinctMail(20), std::string(kept, 'c'));
        expected.read = 7;
        EXPECT_EQ(working.mail(0), expected);
        expected.read = distinctMail(20).read;
        EXPECT_EQ(working.mail(3), expected);
        EXPECT_EQ(working.mail(1), withPreview(distinctMail(77), std::string(500, 'n')));
        EXPECT_EQ(working.mail(2), withPreview(distinctMail(0), std::string(kept, 'a')));
        if (kept == 1000) {
            EXPECT_TRUE(old.empty());
            // What is left of the old block: the two mails no longer listed.
            EXPECT_EQ(working.wasteBytes(),
                      textsOf(withPreview(distinctMail(10), std::string(kept, 'b'))) +
                          textsOf(withPreview(distinctMail(30), std::string(kept, 'd'))));
        } else {
            EXPECT_EQ(old.size(), 4);
            EXPECT_EQ(old.mail(3), withPreview(distinctMail(30), std::string(kept, 'd')));
        }
        // A text of the twice-listed mail edited in place leaves the other alone.
        working.setBodyPreview(3, "x");
        EXPECT_EQ(working.bodyPreview(0), std::string(kept, 'c'));
    }
}

TEST(MailListTest, PlacedTextIsWrittenWhereItIsKept) {
    MailList list;
    char* room = list.placeText(2, MailText::Uid, 3);
    ASSERT_NE(room, nullptr);
    std::copy_n("abc", 3, room);
    EXPECT_EQ(list.uid(2), "abc");
    EXPECT_EQ(list.placeText(2, MailText::Uid, 0), nullptr);
    EXPECT_EQ(list.uid(2), "");
}

} // namespace
} // namespace ombrix
