#include "proto/imap_response_splitter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ombrix {
namespace {

using ::testing::ElementsAre;
using Kind = ImapResponseSplitter::Kind;

struct Taken {
    Kind kind;
    std::string text;
    bool cut;
    bool operator==(const Taken&) const = default;
};

void PrintTo(const Taken& taken, std::ostream* out) {
    *out << static_cast<int>(taken.kind) << (taken.cut ? " cut " : " ")
         << ::testing::PrintToString(taken.text);
}

struct Split {
    std::vector<Taken> responses;
    std::optional<std::size_t> endInLastChunk;
};

// Feeds the stream in chunks of `step` bytes until a completion.
Split feedInSteps(std::string_view stream, std::size_t step, std::size_t capacity = 1000) {
    ImapResponseSplitter splitter(capacity);
    Split split;
    for (std::size_t pos = 0; pos < stream.size(); pos += step) {
        split.endInLastChunk = splitter.feed(stream.substr(pos, step), [&](const auto& response) {
            split.responses.push_back({response.kind, std::string(response.text), response.cut});
        });
        if (split.endInLastChunk)
            break;
    }
    return split;
}

// Mail text that looks like a completion, a response and a literal
// announcement stays inside its literal, in whatever chunks it comes.
TEST(ImapResponseSplitter, LiteralsOfEitherFormHoldWhatLooksLikeResponses) {
    const std::string mail = "a005 OK fake\r\n* 9 EXPUNGE\r\n{5}\r\n";
    const std::string first = "* 1 FETCH (UID 11 BODY[HEADER] {" + std::to_string(mail.size()) +
                              "}\r\n" + mail + " BODY[TEXT]<0> {3+}\r\nabc)\r\n";
    const std::string second = "* 2 FETCH (UID 12 BODY[HEADER] {0}\r\n)\r\n";
    const std::string stream = first + "+ go on\r\n" + second + "a005 OK done\r\n* 3 EXISTS\r\n";
    for (std::size_t step = 1; step <= stream.size(); ++step) {
        SCOPED_TRACE("chunks of " + std::to_string(step));
        const Split split = feedInSteps(stream, step);
        EXPECT_THAT(split.responses, ElementsAre(Taken{Kind::Untagged, first, false},
                                                 Taken{Kind::Continuation, "+ go on\r\n", false},
                                                 Taken{Kind::Untagged, second, false},
                                                 Taken{Kind::Tagged, "a005 OK done\r\n", false}));
        const std::size_t completionEnd = first.size() + 9 + second.size() + 14;
        ASSERT_TRUE(split.endInLastChunk.has_value());
        EXPECT_EQ(*split.endInLastChunk, completionEnd - (completionEnd - 1) / step * step)
            << "what follows the completion stays unread";
    }
}

// The rest of a response beyond the capacity is counted off, not kept: the
// next response is found where it starts.
TEST(ImapResponseSplitter, AResponseBeyondTheCapacityIsHandedOnCut) {
    const std::string big = "* 1 FETCH (BODY[HEADER] {100}\r\n" + std::string(100, 'x') + ")\r\n";
    const std::string stream = big + "* 2 FETCH (UID 12)\r\na1 OK\r\n";
    for (const std::size_t step : {std::size_t{1}, std::size_t{7}, stream.size()}) {
        const Split split = feedInSteps(stream, step, 40);
        EXPECT_THAT(split.responses,
                    ElementsAre(Taken{Kind::Untagged, big.substr(0, 40), true},
                                Taken{Kind::Untagged, "* 2 FETCH (UID 12)\r\n", false},
                                Taken{Kind::Tagged, "a1 OK\r\n", false}));
    }
}

TEST(ImapResponseSplitter, BracesThatAnnounceNothingEndTheLine) {
    const Split split = feedInSteps("* OK {x}\r\n* OK {}\r\n* OK {12} more\r\na1 OK\r\n", 3);
    ASSERT_EQ(split.responses.size(), 4u);
    EXPECT_EQ(split.responses[0].text, "* OK {x}\r\n");
    EXPECT_EQ(split.responses[1].text, "* OK {}\r\n");
    EXPECT_EQ(split.responses[2].text, "* OK {12} more\r\n");
}

} // namespace
} // namespace ombrix
