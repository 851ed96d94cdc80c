// The items of FETCH responses read by their names: in any order, in any
// case, split over responses, beside items with lists and literals of their
// own, and from a response cut where the reply buffer ended.

#include "proto/imap_fetch_response.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace ombrix {
namespace {

std::string textOf(std::string_view reply, std::uint64_t number, std::string_view name) {
    const std::optional<ImapFetchItem> item = imapFetchItem(reply, number, name);
    return item ? imapItemText(*item) : std::string("<none>");
}

TEST(ImapFetchItemTest, ItemsAreFoundByNameWhereverTheyStand) {
    const std::string reply =
        "* 2 FETCH (BODY[HEADER] {6}\r\nX: 2\r\n)\r\n"
        "* 3 FETCH (X-LABELS (\"a)\" {3}\r\n)(( (b) NIL) body[text]<0> {5}\r\nHello"
        "  UID 13 FLAGS (\\Seen))\r\n"
        "* 3 fetch (BODY[HEADER] {6}\r\nX: 3\r\n RFC822.SIZE 2048)\r\n"
        "a005 OK done\r\n";
    EXPECT_EQ(textOf(reply, 3, "BODY[TEXT]"), "Hello") << "the partial is no part of the name";
    EXPECT_EQ(textOf(reply, 3, "UID"), "13") << "after two blanks";
    EXPECT_EQ(textOf(reply, 3, "FLAGS"), "(\\Seen)");
    EXPECT_EQ(textOf(reply, 3, "BODY[HEADER]"), "X: 3\r\n") << "from the second response";
    EXPECT_EQ(textOf(reply, 3, "rfc822.size"), "2048");
    EXPECT_EQ(textOf(reply, 2, "BODY[HEADER]"), "X: 2\r\n");
    EXPECT_EQ(textOf(reply, 2, "BODY[TEXT]"), "<none>");
    EXPECT_EQ(textOf(reply, 4, "UID"), "<none>");
}

TEST(ImapFetchItemTest, MailTextInALiteralIsNeverAnItem) {
    const std::string text = "* 3 FETCH (UID 99 RFC822.SIZE 1)\r\n";
    const std::string reply = "* 3 FETCH (BODY[TEXT]<0> {" + std::to_string(text.size()) + "}\r\n" +
                              text + ")\r\na005 OK\r\n";
    EXPECT_EQ(textOf(reply, 3, "UID"), "<none>");
    EXPECT_EQ(textOf(reply, 3, "RFC822.SIZE"), "<none>");
    EXPECT_EQ(textOf(reply, 3, "BODY[TEXT]"), text);
}

TEST(ImapFetchItemTest, StringFormsGiveTheirText) {
    // The items point into the response, which must outlive them.
    const std::string response = "* 1 FETCH (A \"say \\\"hi\\\" \\\\ me\" B NIL C \"\" D {0}\r\n)";
    const std::vector<ImapFetchItem> items = imapFetchItems(response);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(imapItemText(items[0]), "say \"hi\" \\ me");
    EXPECT_EQ(items[1].form, ImapFetchItem::Form::Nil);
    EXPECT_EQ(imapItemText(items[1]), "");
    EXPECT_EQ(items[2].form, ImapFetchItem::Form::Quoted);
    EXPECT_EQ(items[3].form, ImapFetchItem::Form::Literal);
    EXPECT_EQ(imapItemText(items[3]), "");
}

// A cut response gives what came before the cut, a cut literal what came of
// it; a fault ends the reading there.
TEST(ImapFetchItemTest, ReadingStopsAtACutOrAFault) {
    const std::vector<ImapFetchItem> cut =
        imapFetchItems("* 3 FETCH (UID 13 BODY[HEADER] {500}\r\nSubject: Hel");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[1].raw, "Subject: Hel");

    EXPECT_EQ(imapFetchItems("* 3 FETCH (UID 13 X \"open)").size(), 1u);
    EXPECT_EQ(imapFetchItems("* 3 FETCH (UID 13 X (a (b)").size(), 1u);
    EXPECT_EQ(imapFetchItems("* 3 FETCH (UID 13 BODY[HEADER {3}\r\nabc)").size(), 1u);
    EXPECT_EQ(imapFetchItems("* 3 FETCH (UID 13 X {99999999999999999999}\r\nabc)").size(), 1u);
    EXPECT_EQ(imapFetchItems("* 3 FETCH (UID )").size(), 0u);
    EXPECT_TRUE(imapFetchItems("* 3 EXISTS").empty());
    EXPECT_TRUE(imapFetchItems("* 3 FETCH UID 13").empty()) << "no item list";
}

// Deeply nested lists are counted, not recursed into.
TEST(ImapFetchItemTest, DeepListIsSkippedWithoutRecursion) {
    const std::string deep = std::string(200000, '(') + std::string(200000, ')');
    const std::string reply = "* 3 FETCH (X " + deep + " UID 13)\r\n";
    EXPECT_EQ(textOf(reply, 3, "UID"), "13");
}

// "UID" inside another item's string or literal named a wrong UID, and a
// literal could pose as a response of its own.
TEST(ImapUidItemTest, UidIsTheItemNotTextThatLooksLikeIt) {
    const std::string reply = "* 1 FETCH (X-NOTE \"(UID 5)\" UID 11)\r\n"
                              "* 2 FETCH (X-NOTE {20}\r\n* 3 FETCH (UID 99)\r\n UID 12)\r\n"
                              "* 3 FETCH (MODSEQ (77) uid 13)\r\na004 OK\r\n";
    EXPECT_THAT(imapFetchUids(reply, 1, 3), ::testing::ElementsAre("11", "12", "13"));
}

TEST(ImapSizeItemTest, ValueWhereverItStandsAndInAnyCase) {
    EXPECT_EQ(imapRfc822Size("* 1 FETCH (UID 4 FLAGS (\\Seen) RFC822.SIZE 77)\r\n"), 77u);
    EXPECT_EQ(imapRfc822Size("* 1 FETCH (rfc822.size 77)\r\n"), 77u);
    EXPECT_EQ(imapRfc822Size("* 1 FETCH (RFC822.SIZE 99999999999)\r\n"), UINT32_MAX);
    EXPECT_EQ(imapRfc822Size("* 1 FETCH (RFC822.SIZE NIL)\r\n"), 0u);
}

} // namespace
} // namespace ombrix
