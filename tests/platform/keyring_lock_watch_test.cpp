// The keyring's lock changes as the desktop program hears them, from a real
// gnome-keyring-daemon on the test's own bus: locked and unlocked by other
// clients, and a keyring that leaves and comes again. Each suite runs in a
// process of its own (see ombrix_keyring_test).

#include "platform/keyring_lock_watch.h"
#include "support/gui_wait.h"
#include "support/keyring_daemon.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::KeyringDaemon;
using test::processEventsUntil;

constexpr int kBound = 20000; // only ever reached by a failing case

KeyringDaemon& watchedDaemon() {
    static KeyringDaemon daemon;
    return daemon;
}

class KeyringLockWatchTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(watchedDaemon().running() || watchedDaemon().start())
            << "gnome-keyring-daemon: " << watchedDaemon().failure().toStdString();
    }

    static bool announcedAtLeast(QSignalSpy& spy, int count) {
        return processEventsUntil([&] { return spy.count() >= count; }, kBound);
    }
};

TEST_F(KeyringLockWatchTest, HearsTheDefaultCollectionLockedAndUnlockedByOtherClients) {
    KeyringLockWatch watch;
    ASSERT_TRUE(watch.listening());
    QSignalSpy changed(&watch, &KeyringLockWatch::lockChanged);

    ASSERT_TRUE(test::lockDefaultCollection());
    EXPECT_TRUE(announcedAtLeast(changed, 1));
    const int afterLock = static_cast<int>(changed.count());
    ASSERT_TRUE(test::unlockDefaultCollectionElsewhere());
    EXPECT_TRUE(announcedAtLeast(changed, afterLock + 1));
}

// A keyring that goes leaves nothing subscribed; the one that comes is
// announced (its collections may be open) and heard from then on.
TEST_F(KeyringLockWatchTest, FollowsAKeyringThatLeavesAndComesAgain) {
    KeyringLockWatch watch;
    ASSERT_TRUE(watch.listening());
    QSignalSpy changed(&watch, &KeyringLockWatch::lockChanged);

    watchedDaemon().stop();
    EXPECT_TRUE(processEventsUntil([&] { return !watch.listening(); }, kBound));
    ASSERT_TRUE(watchedDaemon().start());
    EXPECT_TRUE(processEventsUntil([&] { return watch.listening(); }, kBound));
    EXPECT_TRUE(announcedAtLeast(changed, 1));

    const int afterStart = static_cast<int>(changed.count());
    ASSERT_TRUE(test::lockDefaultCollection());
    EXPECT_TRUE(announcedAtLeast(changed, afterStart + 1));
    ASSERT_TRUE(test::unlockDefaultCollectionElsewhere());
}

// The desktop program starts before the keyring does: it is heard once it
// comes.
TEST_F(KeyringLockWatchTest, AKeyringThatComesLateIsAnnounced) {
    watchedDaemon().stop();
    KeyringLockWatch watch;
    EXPECT_FALSE(watch.listening());
    QSignalSpy changed(&watch, &KeyringLockWatch::lockChanged);
    ASSERT_TRUE(watchedDaemon().start());
    EXPECT_TRUE(announcedAtLeast(changed, 1));
    EXPECT_TRUE(watch.listening());
}

TEST(KeyringLockWatchWithoutBusTest, ListensToNothingAndStaysQuiet) {
    KeyringLockWatch watch;
    EXPECT_FALSE(watch.listening());
}

} // namespace
} // namespace ombrix
