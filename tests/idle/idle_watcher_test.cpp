// A watcher against scripted servers: it idles, reports changes, refreshes
// IDLE, reconnects after BYE or silence with a growing back-off, leaves
// servers without IDLE or that refuse the login alone and stops at once when
// asked.

#include "idle/idle_watcher.h"
#include "idle/recording_watch_host.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::LoopbackServer;
using test::RecordingWatchHost;
using test::Script;

constexpr const char* kCapabilities = "* CAPABILITY IMAP4rev1 LITERAL+ IDLE";

// Greeting, LOGIN, CAPABILITY and EXAMINE of one connection, up to IDLE.
Script& loginAndExamine(Script& s, const std::string& capabilities = kCapabilities,
                        int exists = 3) {
    s.sendLine("* OK IMAP ready")
        .expect("a000 LOGIN bob secret")
        .sendLine("a000 OK Logged in")
        .expect("a001 CAPABILITY")
        .send(capabilities + "\r\na001 OK Capability completed.\r\n")
        .expect("a002 EXAMINE INBOX")
        .send("* " + std::to_string(exists) +
              " EXISTS\r\n* OK [UIDNEXT 40] next\r\na002 OK [READ-ONLY] done\r\n");
    return s;
}

ImapServer bobAt(const LoopbackServer& server) {
    return {server.host(), server.port(), false, "bob", "secret", std::nullopt};
}

// Short clocks, so that refreshes and retries happen within a test.
WatchTimings quick() {
    WatchTimings timings;
    timings.firstRetryMs = 20;
    timings.lastRetryMs = 80;
    timings.replyMs = 20000;
    timings.pollMs = 20;
    return timings;
}

TEST(IdleWatcher, NewMailDuringIdleIsReportedAndStopEndsTheIdle) {
    Script s;
    loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").sendLine("* 4 EXISTS").silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, quick());
    ASSERT_TRUE(host.waitForChanges(1));
    watcher.join();
    EXPECT_TRUE(watcher.ended());
    EXPECT_TRUE(server.waitUntilDone()) << "the watcher closed its connection";
    EXPECT_EQ(host.changes(), 1) << "the EXISTS of EXAMINE is the start, not a change";
    EXPECT_EQ(server.connections(), 1);
}

TEST(IdleWatcher, AServerWithoutIdleGetsNoWatcher) {
    // Only the LOGOUT follows the capability list: no EXAMINE, no IDLE.
    Script t;
    t.sendLine("* OK IMAP ready")
        .expect("a000 LOGIN bob secret")
        .sendLine("a000 OK Logged in")
        .expect("a001 CAPABILITY")
        .send("* CAPABILITY IMAP4rev1 UIDPLUS\r\na001 OK done\r\n")
        .expect("a002 LOGOUT")
        .sendLine("* BYE")
        .expectClose();
    LoopbackServer server(t);
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, quick());
    ASSERT_TRUE(host.waitForUnsupported());
    EXPECT_TRUE(server.waitUntilDone());
    watcher.join();
    EXPECT_EQ(server.connections(), 1) << "a server without IDLE is not asked again";
    EXPECT_EQ(host.changes(), 0);
}

TEST(IdleWatcher, RefreshEndsIdleWithDoneAndIdlesAgain) {
    Script s;
    loginAndExamine(s)
        .expect("a003 IDLE")
        .sendLine("+ idling")
        .expect("DONE")
        .sendLine("a003 OK Idle completed.")
        .expect("a004 IDLE")
        .sendLine("+ idling")
        .sendLine("* 2 EXPUNGE")
        .silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    WatchTimings timings = quick();
    timings.refreshMs = 100;
    IdleWatcher watcher(bobAt(server), host, timings);
    ASSERT_TRUE(host.waitForChanges(1));
    watcher.join();
    EXPECT_EQ(server.connections(), 1);
}

// A flag update, then (after the refresh, so never in the same read) a new mail.
Script flagUpdateThenNewMail() {
    Script s;
    loginAndExamine(s)
        .expect("a003 IDLE")
        .sendLine("+ idling")
        .sendLine("* 2 FETCH (FLAGS (\\Seen))")
        .expect("DONE")
        .sendLine("a003 OK Idle completed.")
        .expect("a004 IDLE")
        .sendLine("+ idling")
        .sendLine("* 4 EXISTS")
        .silent();
    return s;
}

TEST(IdleWatcher, FlagUpdatesCountAsChangesOnlyWhereReported) {
    WatchTimings timings = quick();
    timings.refreshMs = 100;
    {
        LoopbackServer server(flagUpdateThenNewMail());
        RecordingWatchHost host;
        IdleWatcher watcher(bobAt(server), host, timings, FlagChanges::Reported);
        EXPECT_TRUE(host.waitForChanges(2)) << "the read elsewhere, then the new mail";
        watcher.join();
    }
    LoopbackServer server(flagUpdateThenNewMail());
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, timings);
    ASSERT_TRUE(host.waitForChanges(1));
    EXPECT_TRUE(server.waitUntilDone());
    watcher.join();
    EXPECT_EQ(host.changes(), 1) << "only the new mail";
}

TEST(IdleWatcher, ByeReconnectsAndMailThatCameMeanwhileIsReported) {
    Script s;
    loginAndExamine(s, kCapabilities, 3)
        .expect("a003 IDLE")
        .sendLine("+ idling")
        .sendLine("* BYE Disconnected by an administrator.")
        .close();
    loginAndExamine(s, kCapabilities, 5).expect("a003 IDLE").sendLine("+ idling").silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, quick());
    ASSERT_TRUE(host.waitForChanges(1)) << "5 mails where 3 were: a check must follow";
    EXPECT_EQ(server.connections(), 2);
    watcher.join();
}

// Every report becomes an event queued for the window: a server that floods
// the connection with EXISTS lines must not flood the window's queue. The
// lines of one read make one report.
TEST(IdleWatcher, AFloodOfExistsLinesMakesAReportPerReadNotPerLine) {
    constexpr int kLines = 10000;
    std::string flood = "+ idling\r\n";
    for (int n = 1; n <= kLines; ++n)
        flood += "* " + std::to_string(n) + " EXISTS\r\n";
    Script s;
    loginAndExamine(s).expect("a003 IDLE").send(flood + "* BYE flooded\r\n").close();
    // Reached only once the whole flood was read.
    loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling");
    LoopbackServer server(s);
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, quick());
    ASSERT_TRUE(server.waitUntilDone());
    const int changes = host.changes();
    watcher.join();
    EXPECT_GE(changes, 1);
    EXPECT_LT(changes, kLines / 10) << "some " << flood.size() / 1000 << " kB in a few reads";
}

TEST(IdleWatcher, AServerThatStaysSilentIsLeftForANewConnection) {
    Script s;
    loginAndExamine(s).expect("a003 IDLE").silent().close();
    // One write, right after IDLE: the second connection has its answer at once.
    loginAndExamine(s).expect("a003 IDLE").send("+ idling\r\n* 4 EXISTS\r\n").silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    WatchTimings timings = quick();
    timings.silenceMs = 1000; // the continuation of IDLE does not come
    IdleWatcher watcher(bobAt(server), host, timings);
    ASSERT_TRUE(host.waitForChanges(1));
    EXPECT_EQ(server.connections(), 2);
    watcher.join();
}

TEST(IdleWatcher, ReconnectDropsTheConnectionAndIdlesAgainAtOnce) {
    Script s;
    loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").silent().close();
    loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").sendLine("* 4 EXISTS").silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    WatchTimings timings = quick();
    timings.firstRetryMs = timings.lastRetryMs = 60 * 60 * 1000; // only reconnect() may retry
    IdleWatcher watcher(bobAt(server), host, timings);
    ASSERT_TRUE(server.waitUntilReached(9)) << "the first connection idles";
    watcher.reconnect();
    ASSERT_TRUE(host.waitForChanges(1));
    EXPECT_EQ(server.connections(), 2);
    watcher.join();
}

// A refused login ends the watcher after that one login: logging in again and
// again with a password the server no longer takes gets accounts locked and
// addresses banned. (Until now it tried again after 1, 2, 4 ... s: eight
// logins in 75 s.) The script offers more connections than one; none is taken.
TEST(IdleWatcher, ARefusedLoginEndsTheWatcherAfterOneLogin) {
    for (const char* refusal : {"a000 NO [AUTHENTICATIONFAILED] Authentication failed.",
                                "a000 NO Login failed.", "a000 BAD LOGIN disabled."}) {
        Script s;
        s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob secret").sendLine(refusal).close();
        loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").silent();
        LoopbackServer server(s);
        RecordingWatchHost host;
        IdleWatcher watcher(bobAt(server), host, quick());
        ASSERT_TRUE(host.waitForRefusal()) << refusal;
        watcher.join();
        EXPECT_TRUE(watcher.refused());
        EXPECT_EQ(host.refusals(), 1);
        EXPECT_EQ(watcher.connections(), 1) << refusal;
        EXPECT_EQ(server.connections(), 1) << refusal;
        EXPECT_TRUE(watcher.waits().empty());
        EXPECT_EQ(host.unsupported(), 0);
    }
}

// What is not the server's word on the credentials is retried with the
// back-off: a connection closed before the login's answer, and a login that
// says a part of the server is down for a while.
TEST(IdleWatcher, ALostOrUnavailableLoginIsRetriedWithBackOff) {
    Script s;
    s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob secret").close();
    s.sendLine("* OK IMAP ready")
        .expect("a000 LOGIN bob secret")
        .sendLine("a000 NO [UNAVAILABLE] User's backend down for maintenance.")
        .close();
    loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").sendLine("* 4 EXISTS").silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, quick());
    ASSERT_TRUE(host.waitForChanges(1));
    EXPECT_EQ(server.connections(), 3);
    EXPECT_EQ(watcher.waits(), (std::vector<std::uint32_t>{20, 40}));
    EXPECT_EQ(host.refusals(), 0);
    watcher.join();
}

// A server that drops every connection right after IDLE began must not be
// logged in to every first back-off for ever (it was, once a second): only a
// connection that idled for steadyIdleMs starts the back-off afresh.
TEST(IdleWatcher, AConnectionLostRightAfterIdleBeganBacksOff) {
    const auto droppingServer = [] {
        Script s;
        for (int i = 0; i < 4; ++i)
            loginAndExamine(s)
                .expect("a003 IDLE")
                .sendLine("+ idling")
                .sendLine("* BYE Dropped.")
                .close();
        loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").silent();
        return s;
    };
    {
        const Script s = droppingServer();
        LoopbackServer server(s);
        RecordingWatchHost host;
        IdleWatcher watcher(bobAt(server), host, quick());
        ASSERT_TRUE(server.waitUntilReached(s.steps().size() - 1)) << "the fifth idles";
        EXPECT_EQ(watcher.waits(), (std::vector<std::uint32_t>{20, 40, 80, 80}));
        watcher.join();
    }
    {
        const Script s = droppingServer();
        LoopbackServer server(s);
        RecordingWatchHost host;
        WatchTimings timings = quick();
        timings.steadyIdleMs = 0; // every idle counts as a working connection
        IdleWatcher watcher(bobAt(server), host, timings);
        ASSERT_TRUE(server.waitUntilReached(s.steps().size() - 1));
        EXPECT_EQ(watcher.waits(), (std::vector<std::uint32_t>{20, 20, 20, 20}));
        watcher.join();
    }
}

// A server that completes IDLE at once, without the continuation, never
// idles: asked again at once, it was asked as fast as it answered.
TEST(IdleWatcher, AnIdleCompletedWithoutContinuationIsNotAskedAgainAtOnce) {
    Script s;
    loginAndExamine(s).expect("a003 IDLE").sendLine("a003 OK Idle completed.").silent().close();
    loginAndExamine(s).expect("a003 IDLE").sendLine("a003 OK Idle completed.").silent().close();
    loginAndExamine(s).expect("a003 IDLE").sendLine("+ idling").sendLine("* 4 EXISTS").silent();
    LoopbackServer server(s);
    RecordingWatchHost host;
    IdleWatcher watcher(bobAt(server), host, quick());
    ASSERT_TRUE(host.waitForChanges(1));
    EXPECT_EQ(server.connections(), 3) << "each IDLE answered by OK ended its connection";
    EXPECT_EQ(watcher.waits(), (std::vector<std::uint32_t>{20, 40}));
    watcher.join();
}

} // namespace
} // namespace ombrix
