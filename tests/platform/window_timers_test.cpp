#include "platform/window_timers.h"
#include "support/gui_wait.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace ombrix {
namespace {

using test::processEventsUntil;

struct TickLog {
    std::map<int, int> counts;
    std::vector<int> order;
    void operator()(int id) {
        ++counts[id];
        order.push_back(id);
    }
};

TEST(WindowTimers, RepeatsWithItsIdUntilKilled) {
    TickLog log;
    WindowTimers timers([&](int id) { log(id); });
    timers.set(4, 5);
    ASSERT_TRUE(processEventsUntil([&] { return log.counts[4] >= 3; }));
    timers.kill(4);
    EXPECT_FALSE(timers.isActive(4));
    const int killedAt = log.counts[4];
    // A second timer serves as the clock: after three of its ticks, 4 has stayed silent.
    timers.set(9, 5);
    ASSERT_TRUE(processEventsUntil([&] { return log.counts[9] >= 3; }));
    EXPECT_EQ(log.counts[4], killedAt);
}

TEST(WindowTimers, SettingARunningIdRestartsItWithTheNewInterval) {
    TickLog log;
    WindowTimers timers([&](int id) { log(id); });
    timers.set(6, 1000000);
    EXPECT_GT(timers.remainingTime(6), 10000);
    timers.set(6, 10);
    EXPECT_EQ(timers.interval(6), 10);
    EXPECT_LE(timers.remainingTime(6), 10);
    ASSERT_TRUE(processEventsUntil([&] { return log.counts[6] >= 2; }));
    EXPECT_EQ(timers.findChildren<QTimer*>().size(), 1) << "one timer per id";
}

TEST(WindowTimers, KillingAnUnknownOrStoppedIdIsHarmless) {
    WindowTimers timers;
    timers.kill(42);
    EXPECT_FALSE(timers.isActive(42));
    EXPECT_EQ(timers.interval(42), -1);
    timers.set(42, 100000);
    timers.kill(42);
    timers.kill(42);
    EXPECT_FALSE(timers.isActive(42));
}

TEST(WindowTimers, SignalCarriesTheId) {
    WindowTimers timers;
    std::vector<int> fired;
    QObject::connect(&timers, &WindowTimers::fired, [&](int id) { fired.push_back(id); });
    timers.set(8, 0);
    ASSERT_TRUE(processEventsUntil([&] { return !fired.empty(); }));
    timers.kill(8);
    EXPECT_EQ(fired.front(), 8);
}

TEST(WindowTimers, SetFromAWorkerThreadTicksOnTheOwnersThread) {
    std::atomic<QThread*> tickThread{nullptr};
    WindowTimers timers([&](int id) {
        if (id == 8)
            tickThread = QThread::currentThread();
    });
    std::thread worker([&] { timers.set(8, 10); });
    worker.join();
    ASSERT_TRUE(processEventsUntil([&] { return tickThread.load() != nullptr; }));
    timers.kill(8);
    EXPECT_EQ(tickThread.load(), timers.thread());
}

} // namespace
} // namespace ombrix
