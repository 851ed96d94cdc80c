#pragma once
// gnome-keyring-daemon (its Secret Service only) on the test's session bus,
// with its keyrings in a temp dir and the login collection created and
// unlocked with a test password, so that no test meets the developer's own
// keyring. The test program runs under `dbus-run-session` with
// tests/support/session-bus.conf, a bus that starts no services by itself.

#include "support/temp_dir.h"

#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

namespace ombrix::test {

class KeyringDaemon {
public:
    KeyringDaemon();
    ~KeyringDaemon();
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;

    // Ends the daemon and waits until it has let go of its name; its
    // keyrings stay on disk.
    void stop();
    // Starts it again on the same keyrings, the login collection unlocked
    // (a locked one is unlocked so). True once it owns its name.
    bool start();

    // The daemon owns the Secret Service name on the bus.
    bool running() const { return running_; }
    // Why it did not start (the daemon's own words where it gave any).
    const QString& failure() const { return failure_; }

private:
    TempDir dir_;
    QProcess daemon_;
    bool running_ = false;
    QString failure_;
};

// True when the session bus answers and the test may use it.
bool sessionBusAvailable();

// Locks the login collection behind the program's back, as a screen lock
// would; no prompter is there to unlock it again.
testing::AssertionResult lockDefaultCollection();
// Unlocks it with the keyring's password from a connection of its own, as
// the desktop's own unlock prompt would: another client on the bus.
testing::AssertionResult unlockDefaultCollectionElsewhere();

} // namespace ombrix::test
