// A termination signal reaches the window thread as a call from its event
// loop; a second one ends the process, for a shutdown that hangs.

#include "platform/termination_signals.h"
#include "support/gui_wait.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrix {
namespace {

void (*currentHandler(int number))(int) {
    struct sigaction current {};
    sigaction(number, nullptr, &current);
    return current.sa_handler;
}

TEST(TerminationSignalsTest, EachSignalArrivesAsOneCallFromTheEventLoop) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        int calls = 0;
        TerminationSignals watcher([&] { ++calls; });
        ASSERT_EQ(raise(number), 0);
        EXPECT_EQ(calls, 0) << "the handler itself must not call back";
        EXPECT_TRUE(test::processEventsUntil([&] { return calls > 0; })) << number;
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1) << number;
        EXPECT_EQ(currentHandler(number), SIG_DFL) << "the next one must not be caught";
    }
}

TEST(TerminationSignalsTest, TheDefaultsComeBackWithTheObjectsEnd) {
    {
        TerminationSignals watcher([] {});
        EXPECT_NE(currentHandler(SIGTERM), SIG_DFL);
    }
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        EXPECT_EQ(currentHandler(number), SIG_DFL) << number;
}

TEST(TerminationSignalsTest, ASecondSignalEndsTheProcess) {
    TerminationSignals watcher([] {});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // inherits the handlers; no Qt from here on
        raise(SIGTERM);
        raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

} // namespace
} // namespace ombrix
