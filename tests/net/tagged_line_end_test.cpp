// An IMAP reply ends with the line that completes it, however the stream is
// split: what is left of that line must never open the next reply.

#include "net/reply_scanner.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ombrix {
namespace {

struct Row {
    const char* name;
    const char* tag; // "" for the greeting
    std::vector<std::string> chunks;
    std::vector<bool> endedAfter;
    bool refused;
};

TEST(TaggedReplyLineEnd, TheCompletionLineIsReadToItsEnd) {
    const Row rows[] = {
        {"OK, rest of the line later",
         "a131",
         {"* 64 FETCH (RFC822.SIZE 12)\r\na131 OK", " Fetch completed (0.001 + 0.000 secs).\r\n"},
         {false, true},
         false},
        {"split between CR and LF", "a007", {"a007 OK done\r", "\n"}, {false, true}, false},
        {"NO, text later",
         "a000",
         {"a000 NO", " [AUTHENTICATIONFAILED] Authentication failed.\r\n"},
         {false, true},
         true},
        {"greeting, text later",
         "",
         {"* OK [CAPA", "BILITY IMAP4rev1] ready.\r\n"},
         {false, true},
         false},
    };
    for (const Row& row : rows) {
        std::string buffer(4096, '\0');
        BoundedSink sink(buffer);
        TaggedReplyScanner scanner(row.tag, *row.tag != '\0');
        std::vector<bool> endedAfter;
        std::string whole;
        for (const std::string& chunk : row.chunks) {
            endedAfter.push_back(scanner.feed(chunk, sink));
            whole += chunk;
        }
        EXPECT_EQ(endedAfter, row.endedAfter) << row.name;
        EXPECT_EQ(buffer.substr(0, sink.stored()), whole) << row.name;
        EXPECT_EQ(scanner.refused(), row.refused) << row.name;
    }
}

} // namespace
} // namespace ombrix
