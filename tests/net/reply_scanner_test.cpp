#include "net/reply_scanner.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ombrix {
namespace {

struct Fed {
    std::string stored;
    std::vector<bool> endedAfter; // one verdict per chunk
    bool refused = false;
};

Fed feedLines(LineReplyScanner scanner, const std::vector<std::string>& chunks,
              std::size_t capacity = 1 << 20) {
    std::string buffer(capacity, '\0');
    BoundedSink sink(buffer);
    Fed fed;
    for (const std::string& chunk : chunks) {
        fed.endedAfter.push_back(scanner.feed(chunk, sink));
    }
    fed.stored = buffer.substr(0, sink.stored());
    return fed;
}

Fed feedTagged(TaggedReplyScanner scanner, const std::vector<std::string>& chunks) {
    std::string buffer(1 << 16, '\0');
    BoundedSink sink(buffer);
    Fed fed;
    for (const std::string& chunk : chunks) {
        fed.endedAfter.push_back(scanner.feed(chunk, sink));
    }
    fed.stored = buffer.substr(0, sink.stored());
    fed.refused = scanner.refused();
    return fed;
}

std::string bodyLines(int count) {
    std::string body;
    for (int i = 1; i <= count; ++i) {
        body += "body line " + std::to_string(i) + "\r\n";
    }
    return body;
}

const std::string kHeader = "From: a@b.example\r\nSubject: hi\r\n\r\n";

TEST(LineReplyScanner, OneLineReplyEndsAtItsLineEndEvenWhenSplitAfterTheCr) {
    Fed fed = feedLines(LineReplyScanner(true, false, 200), {"+OK ready\r", "\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, true}));
    EXPECT_EQ(fed.stored, "+OK ready\r\n");
}

TEST(LineReplyScanner, DotListEndsAtTheTerminatorLine) {
    Fed fed = feedLines(LineReplyScanner(false, true, 300000),
                        {"+OK\r\n1 uid-a\r\n", "2 uid-b\r\n.", "\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(fed.stored, "+OK\r\n1 uid-a\r\n2 uid-b\r\n.\r\n");
}

TEST(LineReplyScanner, DotListUidEndingInADotDoesNotEndTheListing) {
    Fed fed = feedLines(LineReplyScanner(false, true, 300000), {"+OK\r\n1 abc.\r\n2 x\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false}));
}

TEST(LineReplyScanner, DotListErrorReplyEndsAtOnceEvenSplitAfterTheDash) {
    EXPECT_TRUE(
        feedLines(LineReplyScanner(false, true, 300000), {"-ERR locked\r\n"}).endedAfter[0]);
    Fed split = feedLines(LineReplyScanner(false, true, 300000), {"-", "ERR locked"});
    EXPECT_EQ(split.endedAfter, (std::vector<bool>{false, true}));
    // A later chunk that happens to begin with "-E" is listing data.
    Fed data = feedLines(LineReplyScanner(false, true, 300000), {"+OK\r\n1 x", "-Eyz\r\n"});
    EXPECT_EQ(data.endedAfter, (std::vector<bool>{false, false}));
}

TEST(LineReplyScanner, TopReplyEndsAtTheTerminatorAfterHundredBodyLines) {
    std::string status = "+OK\r\n";
    std::string mailOf120Lines = kHeader + bodyLines(120);
    LineReplyScanner scanner(false, false, static_cast<std::uint32_t>(mailOf120Lines.size()));
    Fed fed = feedLines(scanner, {status + kHeader + bodyLines(60),
                                  bodyLines(100).substr(bodyLines(60).size()), ".\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(fed.stored, status + kHeader + bodyLines(100) + ".\r\n");
}

TEST(LineReplyScanner, TopReplyOfAShortMailEndsAtItsTerminator) {
    std::string mail = kHeader + "first\r\n";
    Fed fed = feedLines(LineReplyScanner(false, false, static_cast<std::uint32_t>(mail.size())),
                        {"+OK\r\n" + mail, ".\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, true}));
    EXPECT_EQ(fed.stored, "+OK\r\n" + mail + ".\r\n");
}

TEST(LineReplyScanner, ShortMailDoesNotEndBeforeItsTerminatorWhateverTheCount) {
    std::string mail = kHeader + bodyLines(10) + "..stuffed\r\n";
    auto size = static_cast<std::uint32_t>(mail.size());
    // The listed size is reached well before the reply's end: its tail must
    // still be read here, or it would be taken as the next command's reply.
    std::string reply = "+OK " + std::to_string(size) + " octets\r\n" + mail + ".\r\n";
    std::size_t firstChunk = size - 4;
    Fed fed = feedLines(
        LineReplyScanner(false, false, size),
        {reply.substr(0, firstChunk), reply.substr(firstChunk, 1), reply.substr(firstChunk + 1)});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(fed.stored.ends_with("\r\n.stuffed\r\n.\r\n")) << fed.stored;
}

TEST(LineReplyScanner, RefusedTopEndsAtTheEndOfItsStatusLine) {
    Fed fed = feedLines(LineReplyScanner(false, false, 5000), {"-ERR no such", " message\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, true}));
}

TEST(LineReplyScanner, ExpectedSizeBelowThreeNeverEndsByCount) {
    Fed fed = feedLines(LineReplyScanner(false, false, 2), {"+OK\r\nabc\r\n", "def\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, false}));
}

TEST(LineReplyScanner, DoubledLeadingDotArrivesAsOneDot) {
    struct Row {
        const char* name;
        std::vector<std::string> chunks;
        std::string stored;
    };
    const Row rows[] = {
        {"in one chunk", {"+OK\r\n..hidden\r\n"}, "+OK\r\n.hidden\r\n"},
        {"split between the dots", {"+OK\r\n.", ".hidden\r\n"}, "+OK\r\n.hidden\r\n"},
        {"dot-only line", {"+OK\r\n..\r\nnext\r\n"}, "+OK\r\n.\r\nnext\r\n"},
        {"dots inside a line stay", {"+OK\r\na..b\r\n"}, "+OK\r\na..b\r\n"},
    };
    for (const Row& row : rows) {
        Fed fed = feedLines(LineReplyScanner(false, false, 1000000), row.chunks);
        EXPECT_EQ(fed.stored, row.stored) << row.name;
        EXPECT_FALSE(fed.endedAfter.back()) << row.name;
    }
}

TEST(LineReplyScanner, StuffedDotLineAfterLineHundredIsNotTheTerminator) {
    std::string reply = "+OK\r\n" + kHeader + bodyLines(100);
    Fed fed = feedLines(LineReplyScanner(false, false, 1000000), {reply + "..\r\n", ".\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, true}));
}

TEST(LineReplyScanner, ReplyLongerThanTheBufferIsCutButStillEnds) {
    std::string listing = "+OK\r\n" + bodyLines(50) + ".\r\n";
    Fed fed = feedLines(LineReplyScanner(false, true, 300000), {listing}, 40);
    EXPECT_EQ(fed.stored, listing.substr(0, 40));
    EXPECT_TRUE(fed.endedAfter[0]);
}

TEST(TaggedReplyScanner, GreetingEndsAtStarOk) {
    EXPECT_TRUE(feedTagged(TaggedReplyScanner("", false), {"* OK IMAP ready\r\n"}).endedAfter[0]);
    Fed split = feedTagged(TaggedReplyScanner("", false), {"*", " OK ready\r\n"});
    EXPECT_EQ(split.endedAfter, (std::vector<bool>{false, true}));
    EXPECT_FALSE(feedTagged(TaggedReplyScanner("", false), {"* BYE\r\n"}).endedAfter[0]);
    EXPECT_TRUE(feedTagged(TaggedReplyScanner("", false), {"* ok ready\r\n"}).endedAfter[0]);
}

TEST(TaggedReplyScanner, CompletionSplitAcrossChunks) {
    struct Row {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<bool> endedAfter;
        bool refused;
    };
    const Row rows[] = {
        {"OK", {"* 3 EXISTS\r\na00", "0 O", "K done\r\n"}, {false, false, true}, false},
        {"NO", {"a000", " NO login failed\r\n"}, {false, true}, true},
        {"BAD", {"a000 ", "BAD syntax\r\n"}, {false, true}, true},
        {"another tag", {"a001 OK done\r\n"}, {false}, false},
        {"tag inside a line", {"* 1 FETCH x a000 OK\r\n"}, {false}, false},
        {"O without K", {"a000 OX\r\n"}, {false}, false},
        // Status words are case-insensitive.
        {"ok", {"a000 o", "k done\r\n"}, {false, true}, false},
        {"no", {"a000 no login failed\r\n"}, {true}, true},
        {"Bad", {"a000 Bad syntax\r\n"}, {true}, true},
        {"untagged lines first",
         {"* 2 FETCH (UID 7)\r\n", "* 3 FETCH (UID 9)\r\na000 OK\r\n"},
         {false, true},
         false},
    };
    for (const Row& row : rows) {
        Fed fed = feedTagged(TaggedReplyScanner("a000", true), row.chunks);
        EXPECT_EQ(fed.endedAfter, row.endedAfter) << row.name;
        EXPECT_EQ(fed.refused, row.refused) << row.name;
    }
}

TEST(TaggedReplyScanner, MailTextInALiteralNeverPosesAsTheCompletion) {
    std::string literal = "a004 NO quoted\r\n";
    Fed fed = feedTagged(
        TaggedReplyScanner("a004", true),
        {"* 1 FETCH (BODY[] {" + std::to_string(literal.size()) + "}\r\n" + literal + ")\r\n",
         "a004 OK FETCH completed\r\n"});
    EXPECT_EQ(fed.endedAfter, (std::vector<bool>{false, true}));
    EXPECT_FALSE(fed.refused);
}

// Where the chunks of a stream begin and end must never change what a scanner
// stores, where it finds the end of the reply, or its verdict: whole, cut in
// two at every place, and byte by byte. (A refused listing is the exception
// by design: it ends with its first chunk.)
struct Reading {
    std::string stored;
    std::size_t end = 0; // offset in the stream just past the reply; 0: no end found
    bool refused = false;

    bool operator==(const Reading&) const = default;
};

void PrintTo(const Reading& reading, std::ostream* out) {
    *out << testing::PrintToString(reading.stored) << " ending at " << reading.end
         << (reading.refused ? ", refused" : "");
}

template <class MakeScanner>
Reading readInChunks(const MakeScanner& make, const std::string& stream,
                     const std::vector<std::size_t>& cuts) {
    auto scanner = make();
    std::string buffer(1 << 16, '\0');
    BoundedSink sink(buffer);
    Reading reading;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= cuts.size() && from < stream.size(); ++i) {
        const std::size_t to = i < cuts.size() ? cuts[i] : stream.size();
        if (scanner.feed(std::string_view(stream).substr(from, to - from), sink)) {
            reading.end = from + scanner.consumed();
            break;
        }
        from = to;
    }
    reading.stored = buffer.substr(0, sink.stored());
    if constexpr (requires { scanner.refused(); }) {
        reading.refused = scanner.refused();
    }
    return reading;
}

template <class MakeScanner>
void expectTheSameReadingHoweverCut(const MakeScanner& make, const std::string& stream,
                                    const Reading& expected) {
    EXPECT_EQ(readInChunks(make, stream, {}), expected) << "whole";
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        everyByte.push_back(cut);
        EXPECT_EQ(readInChunks(make, stream, {cut}), expected) << "cut at " << cut;
    }
    EXPECT_EQ(readInChunks(make, stream, everyByte), expected) << "byte by byte";
}

TEST(LineReplyScanner, ChunkBordersChangeNothing) {
    const std::string listing = "+OK 3 messages\r\n1 uid-one.\r\n..dotted\r\n3 x\r\n.\r\n";
    expectTheSameReadingHoweverCut(
        [] { return LineReplyScanner(false, true, 300000); }, listing + "+OK next",
        {listing, listing.size(), false}); // a listing keeps its dots as they came
    const std::string top = "+OK\r\nSubject: a.b\r\n\r\n..x\r\n.\r\n";
    expectTheSameReadingHoweverCut([] { return LineReplyScanner(false, false, 4); }, top + "+OK",
                                   {"+OK\r\nSubject: a.b\r\n\r\n.x\r\n.\r\n", top.size(), false});
    expectTheSameReadingHoweverCut([] { return LineReplyScanner(true, false, 0); },
                                   "+OK 2 320\r\n1 a\r\n", {"+OK 2 320\r\n", 11, false});
}

TEST(TaggedReplyScanner, ChunkBordersChangeNothing) {
    const std::string literal = "a007 OK {3}\r\nnot the end\r\n";
    const std::string reply = "* 1 FETCH (UID 9 BODY[HEADER] {" + std::to_string(literal.size()) +
                              "}\r\n" + literal + ")\r\n* 2 FETCH (UID {2}\r\n10)\r\n" +
                              "a007 NO [ALERT] over quota\r\n";
    expectTheSameReadingHoweverCut([] { return TaggedReplyScanner("a007", true); },
                                   reply + "* 3 EXISTS\r\n", {reply, reply.size(), true});
    const std::string greeting = "* OK [CAPABILITY IMAP4rev1] ready\r\n";
    expectTheSameReadingHoweverCut([] { return TaggedReplyScanner("", false); },
                                   greeting + "a000 OK", {greeting, greeting.size(), false});
}

TEST(TaggedReplyScanner, ContinuationEndsAReplyOnlyWhereTheCommandWaitsForOne) {
    using Continuation = TaggedReplyScanner::Continuation;
    const std::string challenge = "+ eyJzdGF0dXMiOiI0MDEifQ==\r\n";
    // Split at every byte: the reply ends with the challenge's line end, never earlier.
    for (std::size_t cut = 1; cut < challenge.size(); ++cut) {
        TaggedReplyScanner scanner("a001", true, Continuation::EndsReply);
        std::string buffer(256, '\0');
        BoundedSink sink(buffer);
        EXPECT_FALSE(scanner.feed(challenge.substr(0, cut), sink)) << cut;
        EXPECT_TRUE(scanner.feed(challenge.substr(cut) + "a001 NO", sink)) << cut;
        EXPECT_EQ(scanner.consumed(), challenge.size() - cut) << cut;
        EXPECT_TRUE(scanner.continued());
        EXPECT_FALSE(scanner.refused());
        EXPECT_EQ(buffer.substr(0, sink.stored()), challenge);
    }
    Fed ignored = feedTagged(TaggedReplyScanner("a001", true), {challenge, "a001 OK\r\n"});
    EXPECT_EQ(ignored.endedAfter, (std::vector<bool>{false, true}));
    // A "+" opening a line of a literal is mail text.
    TaggedReplyScanner scanner("a001", true, Continuation::EndsReply);
    Fed literal = feedTagged(scanner, {"* 1 FETCH (BODY[] {4}\r\n+ x\n)\r\n", "a001 OK\r\n"});
    EXPECT_EQ(literal.endedAfter, (std::vector<bool>{false, true}));
    // Without a continuation the completion ends the reply as before.
    Fed completion =
        feedTagged(TaggedReplyScanner("a001", true, Continuation::EndsReply), {"a001 NO bad\r\n"});
    EXPECT_EQ(completion.endedAfter, (std::vector<bool>{true}));
    EXPECT_TRUE(completion.refused);
}

// The line that ends a reply is kept apart from the caller's buffer: a reply
// that overran the buffer still shows how it ended.
TEST(TaggedReplyScanner, CompletionLineIsKeptWhateverTheBufferAndTheChunks) {
    using Continuation = TaggedReplyScanner::Continuation;
    struct Row {
        const char* stream;
        std::string completion;
        Continuation continuation;
        bool tagged;
    };
    const std::string mail = "* 1 FETCH (BODY[] {18}\r\na007 OK not this\r\n)\r\n";
    const std::vector<Row> rows{
        {"a007 OK done\r\n", "a007 OK done\r\n", Continuation::Ignored, true},
        {"* 2 EXISTS\r\na0070 OK x\r\na007 NO [ALERT] full\r\n", "a007 NO [ALERT] full\r\n",
         Continuation::Ignored, true},
        {"a007 OKAY\r\n", "a007 OKAY\r\n", Continuation::Ignored, true},
        {"+ eyJ9\r\n", "+ eyJ9\r\n", Continuation::EndsReply, true},
        {"* OK [CAPABILITY IMAP4rev1] ready\r\n", "* OK [CAPABILITY IMAP4rev1] ready\r\n",
         Continuation::Ignored, false},
    };
    for (const Row& row : rows) {
        const std::string stream = mail + row.stream + "a008 OK next\r\n";
        for (std::size_t cut = 1; cut < stream.size(); ++cut) {
            TaggedReplyScanner scanner(row.tagged ? "a007" : "", row.tagged, row.continuation);
            std::string buffer(10, '\0'); // far too small for the reply
            BoundedSink sink(buffer);
            const bool ended = scanner.feed(std::string_view(stream).substr(0, cut), sink) ||
                               scanner.feed(std::string_view(stream).substr(cut), sink);
            ASSERT_TRUE(ended) << row.stream << " cut at " << cut;
            EXPECT_EQ(scanner.completionLine(), row.completion) << " cut at " << cut;
            EXPECT_EQ(sink.stored(), buffer.size());
        }
    }
    std::string longLine = "a007 OK " + std::string(20000, 'x') + "\r\n";
    TaggedReplyScanner scanner("a007", true);
    std::string buffer(16, '\0');
    BoundedSink sink(buffer);
    ASSERT_TRUE(scanner.feed(longLine, sink));
    EXPECT_EQ(scanner.completionLine(), longLine.substr(0, TaggedReplyScanner::kMaxCompletionLine))
        << "kept only so far";
}

TEST(ImapTag, AtLeastThreeDigitsAndNeverTheSameTwice) {
    EXPECT_EQ(imapTag(0), "a000");
    EXPECT_EQ(imapTag(10), "a010");
    EXPECT_EQ(imapTag(100), "a100");
    EXPECT_EQ(imapTag(999), "a999");
    EXPECT_EQ(imapTag(1000), "a1000");
    EXPECT_EQ(imapTag(1234), "a1234");
}

} // namespace
} // namespace ombrix
