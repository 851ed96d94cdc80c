#include "platform/event.h"

#include <gtest/gtest.h>
#include <thread>

namespace ombrix {
namespace {

TEST(NamedEvent, ManualResetStaysSignalledUntilReset) {
    EventHandle event = openEvent("test-manual-reset", false);
    EXPECT_FALSE(event->wait(0));
    event->set();
    EXPECT_TRUE(event->wait(0));
    EXPECT_TRUE(event->wait(0)) << "a wait must not consume a manual-reset event";
    event->reset();
    EXPECT_FALSE(event->wait(10));
}

TEST(NamedEvent, SameNameOpensTheSameEventAndIgnoresTheInitialState) {
    EventHandle first = openEvent("test-shared", true);
    EventHandle second = openEvent("test-shared", false);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(second->isSet());
    EventHandle other = openEvent("test-other", false);
    EXPECT_NE(first, other);
}

TEST(NamedEvent, EventIsGoneWhenNoHandleIsLeft) {
    EventHandle transient = openEvent("test-transient", true);
    transient = nullptr; // the last handle goes
    EXPECT_FALSE(openEvent("test-transient", false)->isSet());
}

TEST(NamedEvent, SetFromAnotherThreadWakesAnEndlessWait) {
    EventHandle event = openEvent("test-cross-thread", false);
    std::thread setter([&] { openEvent("test-cross-thread", false)->set(); });
    EXPECT_TRUE(event->wait(kWaitForever));
    setter.join();
}

TEST(TickCount, NeverGoesBackwards) {
    std::uint64_t first = TickCount();
    EventHandle event = openEvent("test-tick", false);
    event->wait(20);
    EXPECT_GE(TickCount(), first + 20);
}

} // namespace
} // namespace ombrix
