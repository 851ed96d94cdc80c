#include "mime/message_part.h"
#include "mime/row_name.h"

#include <gtest/gtest.h>
#include <random>

namespace ombrix {
namespace {

const std::string kNestedMail = "+OK message follows\r\n"
                                "Subject: Nested\r\n"
                                "Content-Type: multipart/mixed;\r\n boundary=\"outer\"\r\n"
                                "\r\n"
                                "Preamble text\r\n"
                                "--outer\r\n"
                                "Content-Type: text/plain\r\n"
                                "\r\n"
                                "First body\r\n"
                                "--outer\r\n"
                                "Content-Type: multipart/alternative; boundary=inner\r\n"
                                "\r\n"
                                "--inner\r\n"
                                "Content-Transfer-Encoding: base64\r\n"
                                "\r\n"
                                "SGVsbG8=\r\n"
                                "--inner\r\n"
                                "Content-Type: text/html\r\n"
                                "Content-Transfer-Encoding: quoted-printable\r\n"
                                "\r\n"
                                "<p>Caf=E9</p>\r\n"
                                "--inner--\r\n"
                                "--outer--\r\n"
                                "Epilogue\r\n";

TEST(Multipart, NestedPartsBuildATree) {
    MessagePart mail;
    const long loaded = mail.load(kNestedMail);
    const std::size_t closeEnd = kNestedMail.find("--outer--\r\n") + 11;
    EXPECT_EQ(loaded, static_cast<long>(closeEnd));
    EXPECT_EQ(mail.getSubject().value_or(""), "Nested");
    EXPECT_EQ(mail.body, "Preamble text\r\n");
    ASSERT_EQ(mail.children.size(), 2u);

    const MessagePart& first = *mail.children[0];
    EXPECT_EQ(first.getField("Content-Type")->value, "text/plain");
    EXPECT_EQ(first.body, "First body");
    EXPECT_TRUE(first.children.empty());

    const MessagePart& alternative = *mail.children[1];
    EXPECT_EQ(alternative.body, "");
    ASSERT_EQ(alternative.children.size(), 2u);
    EXPECT_EQ(alternative.children[0]->body, "Hello");
    EXPECT_EQ(alternative.children[1]->body, "<p>Caf\xE9</p>");
}

struct MultipartRow {
    std::string name;
    std::string text;
    long loaded; // -2: the whole text
    std::string rootBody;
    std::vector<std::string> childBodies;
};

class MultipartShapes : public testing::TestWithParam<MultipartRow> {};

TEST_P(MultipartShapes, SplitIntoChildren) {
    const MultipartRow& row = GetParam();
    const test::ExactBuffer text(row.text);
    MessagePart part;
    EXPECT_EQ(part.load(text.view()),
              row.loaded == -2 ? static_cast<long>(row.text.size()) : row.loaded);
    EXPECT_EQ(part.body, row.rootBody);
    std::vector<std::string> childBodies;
    for (const auto& child : part.children)
        childBodies.push_back(child->body);
    EXPECT_EQ(childBodies, row.childBodies);
}

const std::string kMixed = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, MultipartShapes,
    testing::Values(
        MultipartRow{
            "DelimiterRightAfterHeader", kMixed + "--b\r\n\r\nA\r\n--b--\r\n", -2, "", {"A"}},
        MultipartRow{"NoBoundaryKeepsAllAsBody",
                     "Content-Type: multipart/mixed\r\n\r\n--b\r\n\r\nA\r\n--b--\r\n",
                     -2,
                     "--b\r\n\r\nA\r\n--b--\r\n",
                     {}},
        MultipartRow{"EmptyBoundaryKeepsAllAsBody",
                     "Content-Type: multipart/mixed; boundary=\"\"\r\n\r\n--\r\n\r\nA\r\n",
                     -2,
                     "--\r\n\r\nA\r\n",
                     {}},
        MultipartRow{"BoundaryNeverFound", kMixed + "just text\r\n", -2, "just text\r\n", {}},
        MultipartRow{"NotMultipartIgnoresBoundary",
                     "Content-Type: text/plain; boundary=b\r\n\r\n--b\r\n\r\nA\r\n",
                     -2,
                     "--b\r\n\r\nA\r\n",
                     {}},
        MultipartRow{
            "NoCloseDelimiter", kMixed + "--b\r\n\r\nA\r\n--b\r\n\r\nB", -2, "", {"A", "B"}},
        MultipartRow{"CloseWithoutLineEnd", kMixed + "--b\r\n\r\nA\r\n--b--", -2, "", {"A"}},
        MultipartRow{"EpilogueNotConsumed",
                     kMixed + "--b\r\n\r\nA\r\n--b--\r\nafter",
                     static_cast<long>(kMixed.size() + 17),
                     "",
                     {"A"}},
        MultipartRow{"EmptyPartBetweenDelimiters",
                     kMixed + "--b\r\n--b\r\n\r\nB\r\n--b--\r\n",
                     -2,
                     "",
                     {"", "B"}},
        MultipartRow{
            "DelimiterLineWithPadding", kMixed + "--b  \r\n\r\nA\r\n--b--\r\n", -2, "", {"A"}},
        MultipartRow{"DelimiterAtTextEnd", kMixed + "--b", -2, "", {""}},
        MultipartRow{"DashesInsideBodyAreText",
                     kMixed + "--b\r\n\r\n-- signature\r\n--b--\r\n",
                     -2,
                     "",
                     {"-- signature"}}),
    test::RowName());

TEST(Multipart, ChildWithUnfinishedHeaderKeepsItsFields) {
    const std::string text = kMixed + "--b\r\nSubject: kept\r\nFrom: lost\r\n--b--\r\n";
    MessagePart part;
    part.load(text);
    ASSERT_EQ(part.children.size(), 1u);
    EXPECT_EQ(part.children[0]->getSubject().value_or(""), "kept");
    EXPECT_FALSE(part.children[0]->getFrom().has_value());
}

// Each level opens a multipart with its own boundary and nests the next level.
std::string nestedMultiparts(int levels) {
    std::string head;
    std::string tail;
    for (int level = 0; level < levels; ++level) {
        const std::string boundary = "b" + std::to_string(level) + "x"; // none prefixes another
        head += "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary +
                "\r\n";
        tail = "\r\n--" + boundary + "--\r\n" + tail;
    }
    return head + "Subject: innermost\r\n\r\ntext" + tail;
}

TEST(Multipart, NestingStopsAtTheDepthLimit) {
    MessagePart mail;
    const std::string text = nestedMultiparts(MessagePart::kMaxNestingDepth + 10);
    EXPECT_EQ(mail.load(text), static_cast<long>(text.size()));
    const MessagePart* part = &mail;
    int depth = 0;
    while (!part->children.empty()) {
        ASSERT_EQ(part->children.size(), 1u);
        part = part->children[0].get();
        ++depth;
    }
    EXPECT_EQ(depth, MessagePart::kMaxNestingDepth);
    const std::string limit = std::to_string(MessagePart::kMaxNestingDepth);
    EXPECT_EQ(part->body.rfind("--b" + limit + "x\r\n", 0), 0u) << part->body.substr(0, 40);
    EXPECT_NE(part->body.find("innermost"), std::string::npos);
}

TEST(Multipart, HostileNestingDoesNotExhaustTheStack) {
    MessagePart mail;
    const std::string text = nestedMultiparts(10000);
    EXPECT_EQ(mail.load(text), static_cast<long>(text.size()));
    EXPECT_EQ(mail.children.size(), 1u);
}

// Every prefix of a real mail: the parser must stop at the given end (the sanitizer
// build turns a read past it into a failure) and never claim more than it was given.
TEST(Robustness, EveryTruncationStaysInBounds) {
    for (std::size_t length = 0; length <= kNestedMail.size(); ++length) {
        const test::ExactBuffer text(std::string_view(kNestedMail).substr(0, length));
        MessagePart mail;
        const long loaded = mail.load(text.view());
        ASSERT_GE(loaded, 0) << length;
        ASSERT_LE(loaded, static_cast<long>(length)) << length;
        if (length >= kNestedMail.find("\r\n\r\n") + 4) {
            EXPECT_GT(loaded, 0) << length;
            EXPECT_EQ(mail.getSubject().value_or(""), "Nested") << length;
        }
    }
}

// Pieces that steer the parser into its branches, joined at random.
std::string randomMail(std::mt19937& random) {
    static const std::vector<std::string> pieces = {"\r\n",
                                                    "\r",
                                                    "\n",
                                                    " ",
                                                    "\t",
                                                    ":",
                                                    ";",
                                                    "=",
                                                    "=?",
                                                    "?=",
                                                    "?Q?",
                                                    "?B?",
                                                    "=E9",
                                                    "=\r\n",
                                                    "\"",
                                                    "--",
                                                    "--b",
                                                    "--b--",
                                                    "Content-Type: multipart/mixed; boundary=b",
                                                    "Content-Type: multipart/x; boundary=\"b\"",
                                                    "Content-Transfer-Encoding: base64",
                                                    "Content-Transfer-Encoding: quoted-printable",
                                                    "Subject: ",
                                                    "=?UTF-8?B?SGk=?=",
                                                    "=?ISO-8859-1?Q?a_b?=",
                                                    "SGVsbG8",
                                                    std::string(1, '\0'),
                                                    "\xFF",
                                                    "x",
                                                    "+OK"};
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> count(0, 60);
    std::string text;
    for (int i = count(random); i > 0; --i)
        text += pieces[pick(random)];
    return text;
}

TEST(Robustness, GarbageStaysInBounds) {
    std::mt19937 random(20240607);
    for (int round = 0; round < 5000; ++round) {
        const std::string garbage = randomMail(random);
        const test::ExactBuffer text(garbage);
        MessagePart mail;
        const long loaded = mail.load(text.view());
        ASSERT_GE(loaded, 0) << testing::PrintToString(garbage);
        ASSERT_LE(loaded, static_cast<long>(garbage.size())) << testing::PrintToString(garbage);
    }
}

} // namespace
} // namespace ombrix
