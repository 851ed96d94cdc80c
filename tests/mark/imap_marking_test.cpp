// The marking session against the scripted loopback server: the exact
// commands, and what the session makes of a changed mailbox, a refusal and a
// server that is not there.

#include "mark/imap_marking.h"
#include "support/loopback_server.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace ombrix::test {
namespace {

class MarkingScript {
public:
    Script s;

    MarkingScript& exchange(const std::string& command, const std::string& completion,
                            const std::string& untagged = "") {
        char tag[8];
        std::snprintf(tag, sizeof tag, "a%03d", tags_++);
        s.expect(std::string(tag) + " " + command).send(untagged + tag + " " + completion + "\r\n");
        return *this;
    }

    MarkingScript& selected(const std::string& validity) {
        s.sendLine("* OK IMAP ready");
        exchange("LOGIN bob secret", "OK Logged in");
        return exchange("SELECT INBOX", "OK [READ-WRITE] Select completed.",
                        "* FLAGS (\\Answered \\Deleted \\Seen)\r\n* 3 EXISTS\r\n"
                        "* OK [UIDVALIDITY " +
                            validity + "] UIDs valid\r\n");
    }

    MarkingScript& logout() { return exchange("LOGOUT", "OK Logout completed.", "* BYE\r\n"); }

private:
    int tags_ = 0;
};

ImapServer serverAt(const LoopbackServer& loopback) {
    return {loopback.host(), loopback.port(), false, "bob", "secret", std::nullopt};
}

constexpr MarkTimeouts kTimeouts{3000};

TEST(ImapMarking, StoresSeenAndUnseenByUidAfterTheUidValidityCheck) {
    MarkingScript i;
    i.selected("1700000000")
        .exchange("UID STORE 4,9,12 +FLAGS.SILENT (\\Seen)", "OK Store completed.")
        .exchange("UID STORE 7 -FLAGS.SILENT (\\Seen)", "OK Store completed.")
        .logout();
    LoopbackServer server(i.s);
    const std::atomic<std::uint8_t> abort{0};
    EXPECT_EQ(storeSeenMarks(serverAt(server), {"1700000000", {4, 9, 12}, {7}}, abort, kTimeouts),
              MarkDelivery::Sent);
    EXPECT_TRUE(server.waitUntilDone());
}

TEST(ImapMarking, AnotherUidValidityStoresNothing) {
    MarkingScript i;
    i.selected("1800000000").logout();
    LoopbackServer server(i.s);
    const std::atomic<std::uint8_t> abort{0};
    EXPECT_EQ(storeSeenMarks(serverAt(server), {"1700000000", {4}, {}}, abort, kTimeouts),
              MarkDelivery::Stale);
    EXPECT_TRUE(server.waitUntilDone());
    for (const std::string& line : server.received())
        EXPECT_EQ(line.find("STORE"), std::string::npos) << line;
}

TEST(ImapMarking, ARefusalOrAMissingAnswerLeavesTheMarksUnreached) {
    struct Row {
        const char* name;
        SeenMarks marks;
        std::function<void(MarkingScript&)> script;
    };
    const Row rows[] = {
        {"login refused",
         {"5", {4}, {}},
         [](MarkingScript& i) {
             i.s.sendLine("* OK IMAP ready");
             i.exchange("LOGIN bob secret", "NO [AUTHENTICATIONFAILED] Authentication failed.");
         }},
        {"store refused",
         {"5", {4}, {}},
         [](MarkingScript& i) {
             i.selected("5")
                 .exchange("UID STORE 4 +FLAGS.SILENT (\\Seen)", "NO Mailbox is read-only.")
                 .logout();
         }},
        {"seen stored, unseen refused",
         {"5", {4}, {6}},
         [](MarkingScript& i) {
             i.selected("5")
                 .exchange("UID STORE 4 +FLAGS.SILENT (\\Seen)", "OK Store completed.")
                 .exchange("UID STORE 6 -FLAGS.SILENT (\\Seen)", "BAD Error in IMAP command.")
                 .logout();
         }},
        {"connection closed after select",
         {"5", {4}, {}},
         [](MarkingScript& i) {
             i.selected("5");
             i.s.expect("a002 UID STORE 4 +FLAGS.SILENT (\\Seen)").close();
         }},
        {"no uidvalidity",
         {"5", {4}, {}},
         [](MarkingScript& i) {
             i.s.sendLine("* OK IMAP ready");
             i.exchange("LOGIN bob secret", "OK Logged in");
             i.exchange("SELECT INBOX", "OK Select completed.", "* 3 EXISTS\r\n").logout();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MarkingScript i;
        row.script(i);
        LoopbackServer server(i.s);
        const std::atomic<std::uint8_t> abort{0};
        EXPECT_EQ(storeSeenMarks(serverAt(server), row.marks, abort, kTimeouts),
                  MarkDelivery::Unreached);
        EXPECT_TRUE(server.waitUntilDone());
    }
}

TEST(ImapMarking, AServerThatIsNotThereIsUnreachedAndNothingIsSentForNoMarks) {
    MarkingScript i;
    auto server = std::make_unique<LoopbackServer>(i.s);
    const ImapServer gone = serverAt(*server);
    server.reset(); // the port is closed now
    const std::atomic<std::uint8_t> abort{0};
    EXPECT_EQ(storeSeenMarks(gone, {"5", {4}, {}}, abort, kTimeouts), MarkDelivery::Unreached);
    EXPECT_EQ(storeSeenMarks(gone, {"5", {}, {}}, abort, kTimeouts), MarkDelivery::Sent);
}

TEST(ImapMarking, AThousandMarksGoInStoresOfFiveHundred) {
    SeenMarks marks{"5", {}, {}};
    std::string first, second;
    for (std::uint32_t uid = 1; uid <= 1000; ++uid) {
        marks.seen.push_back(uid);
        std::string& set = uid <= 500 ? first : second;
        set += (set.empty() ? "" : ",") + std::to_string(uid);
    }
    MarkingScript i;
    i.selected("5")
        .exchange("UID STORE " + first + " +FLAGS.SILENT (\\Seen)", "OK Store completed.")
        .exchange("UID STORE " + second + " +FLAGS.SILENT (\\Seen)", "OK Store completed.")
        .logout();
    LoopbackServer server(i.s);
    const std::atomic<std::uint8_t> abort{0};
    EXPECT_EQ(storeSeenMarks(serverAt(server), marks, abort, kTimeouts), MarkDelivery::Sent);
    EXPECT_TRUE(server.waitUntilDone());
}

} // namespace
} // namespace ombrix::test
