// The server's lines during IDLE: what each means, however the bytes are split.

#include "idle/idle_responses.h"
#include "idle/watch_timings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ombrix {
namespace {

struct LineRow {
    const char* name;
    const char* line;
    IdleEvent event;
};

class IdleLineClassification : public testing::TestWithParam<LineRow> {};

TEST_P(IdleLineClassification, ReadsTheLineAsTheServerMeantIt) {
    EXPECT_EQ(classifyIdleLine(GetParam().line, "a003"), GetParam().event);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IdleLineClassification,
    testing::Values(
        LineRow{"Exists", "* 5 EXISTS", IdleEvent::MailboxChanged},
        LineRow{"ExpungeLowerCase", "* 2 expunge", IdleEvent::MailboxChanged},
        LineRow{"Recent", "* 1 RECENT", IdleEvent::Other},
        LineRow{"FlagsFetch", "* 3 FETCH (FLAGS (\\Seen))", IdleEvent::FlagsChanged},
        LineRow{"FlagsAfterModseq", "* 3 fetch (MODSEQ (9) FLAGS ())", IdleEvent::FlagsChanged},
        LineRow{"FetchWithoutFlags", "* 3 FETCH (RFC822.SIZE 12)", IdleEvent::Other},
        LineRow{"ExistsWithoutNumber", "* EXISTS", IdleEvent::Other},
        LineRow{"StillHere", "* OK Still here", IdleEvent::Other},
        LineRow{"Bye", "* BYE Disconnected for inactivity.", IdleEvent::Bye},
        LineRow{"Continuation", "+ idling", IdleEvent::Continuation},
        LineRow{"BareContinuation", "+", IdleEvent::Continuation},
        LineRow{"Completion", "a003 OK Idle completed (0.001 + 5.2 secs).", IdleEvent::Completed},
        LineRow{"Refusal", "a003 NO not now", IdleEvent::Refused},
        LineRow{"Bad", "A003 bad command", IdleEvent::Refused},
        LineRow{"OtherTag", "a0031 OK done", IdleEvent::Other},
        LineRow{"Empty", "", IdleEvent::Other}),
    [](const auto& row) { return std::string(row.param.name); });

std::vector<IdleEvent> feedInPieces(IdleLineReader& reader, const std::string& bytes,
                                    std::size_t piece) {
    std::vector<IdleEvent> events;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        reader.feed(std::string_view(bytes).substr(at, piece),
                    [&](IdleEvent event) { events.push_back(event); });
    return events;
}

TEST(IdleLineReader, EveryChunkSplitGivesTheSameEvents) {
    const std::string stream = "+ idling\r\n* OK Still here\r\n* 7 EXISTS\r\n* 1 EXPUNGE\r\n"
                               "a003 OK Idle completed.\r\n* BYE bye\r\n";
    const std::vector<IdleEvent> expected = {IdleEvent::Continuation,   IdleEvent::Other,
                                             IdleEvent::MailboxChanged, IdleEvent::MailboxChanged,
                                             IdleEvent::Completed,      IdleEvent::Bye};
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        IdleLineReader reader;
        reader.expectTag("a003");
        EXPECT_EQ(feedInPieces(reader, stream, piece), expected) << "pieces of " << piece;
    }
}

TEST(IdleLineReader, ALiteralCannotPoseAsAResponse) {
    const std::string literal = "a003 OK fake\r\n* 9 EXISTS\r\n";
    const std::string size = std::to_string(literal.size());
    // The second announcement is LITERAL+'s, which some servers send unasked.
    const std::string stream = "* 4 FETCH (BODY[] {" + size + "}\r\n" + literal +
                               ")\r\n* 5 FETCH (BODY[] {" + size + "+}\r\n" + literal +
                               ")\r\n* 5 EXISTS\r\n";
    for (std::size_t piece = 1; piece <= stream.size(); piece += 3) {
        IdleLineReader reader;
        reader.expectTag("a003");
        const std::vector<IdleEvent> events = feedInPieces(reader, stream, piece);
        EXPECT_EQ(events,
                  (std::vector{IdleEvent::Other, IdleEvent::Other, IdleEvent::MailboxChanged}))
            << "pieces of " << piece;
    }
}

TEST(IdleLineReader, AnOverlongLineIsCutButTheNextLineStillCounts) {
    IdleLineReader reader;
    const std::string stream =
        "* OK " + std::string(IdleLineReader::kMaxLine * 2, 'x') + "\r\n* 2 EXISTS\r\n";
    EXPECT_EQ(feedInPieces(reader, stream, 4096),
              (std::vector{IdleEvent::Other, IdleEvent::MailboxChanged}));
}

TEST(IdleCapabilities, IdleMustBeAWordOfTheCapabilityLine) {
    EXPECT_TRUE(
        listsCapability("* CAPABILITY IMAP4rev1 SASL-IR IDLE UIDPLUS\r\na001 OK done\r\n", "IDLE"));
    EXPECT_TRUE(listsCapability("* capability imap4rev1 idle\r\n", "IDLE"));
    EXPECT_FALSE(listsCapability("* CAPABILITY IMAP4rev1 IDLEX UIDPLUS\r\n", "IDLE"));
    EXPECT_FALSE(listsCapability("* OK [CAPABILITY IMAP4rev1] IDLE\r\na001 OK\r\n", "IDLE"));
    EXPECT_FALSE(listsCapability("", "IDLE"));
}

TEST(IdleMailboxMark, ExamineGivesTheCountAndTheNextUid) {
    const MailboxMark mark =
        readMailboxMark("* FLAGS (\\Answered \\Seen)\r\n* 12 EXISTS\r\n* 0 RECENT\r\n"
                        "* OK [UIDVALIDITY 1700000000] UIDs valid\r\n"
                        "* OK [UIDNEXT 31] Predicted next UID\r\na002 OK [READ-ONLY] done\r\n");
    EXPECT_EQ(mark.exists, "12");
    EXPECT_EQ(mark.uidNext, "31");
    EXPECT_EQ(readMailboxMark("a002 NO no such mailbox\r\n"), MailboxMark{});
}

TEST(IdleRetries, BackOffDoublesFromOneSecondToFiveMinutes) {
    const WatchTimings timings;
    std::vector<std::uint32_t> delays;
    for (unsigned failures = 1; failures <= 11; ++failures)
        delays.push_back(retryDelayMs(timings, failures));
    EXPECT_EQ(delays, (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 16000, 32000, 64000,
                                                  128000, 256000, 300000, 300000}));
    EXPECT_EQ(retryDelayMs(timings, 1000), 300000u);
}

} // namespace
} // namespace ombrix
