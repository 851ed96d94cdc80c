// A second start or a command reaching the desktop program that listens on
// the same program directory.

#include "app/instance_server.h"
#include "support/gui_wait.h"
#include "support/private_runtime_dir.h"
#include "support/temp_dir.h"

#include <QLocalSocket>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

namespace ombrix {
namespace {

class InstanceServerTest : public testing::Test {
protected:
    // Asks from a thread of its own, as the asker blocks until the server
    // has answered on this (the window) thread.
    bool ask(const std::string& directory, const InstanceRequest& request) {
        std::atomic<int> answered{-1};
        std::thread asker([&] { answered = askRunningInstance(directory, request) ? 1 : 0; });
        const bool done = test::processEventsUntil([&] { return answered != -1; });
        asker.join();
        return done && answered == 1;
    }

    test::PrivateRuntimeDir runtime_;
    test::TempDir directory_;
    std::vector<InstanceRequest> taken_;
};

TEST_F(InstanceServerTest, ASecondStartAndACommandReachTheProgramOnTheirDirectory) {
    const std::string dir = directory_.path().string();
    InstanceServer server(instanceSocketPath(dir),
                          [this](const InstanceRequest& request) { taken_.push_back(request); });
    ASSERT_TRUE(server.listening());

    EXPECT_TRUE(ask(dir + "/.", {InstanceRequestKind::Show, "token-1"}));
    EXPECT_TRUE(ask(dir, {InstanceRequestKind::Check, {}}));
    EXPECT_FALSE(ask((directory_.path() / "other").string(), {}));

    ASSERT_EQ(taken_.size(), 2u);
    EXPECT_EQ(taken_[0], (InstanceRequest{InstanceRequestKind::Show, "token-1"}));
    EXPECT_EQ(taken_[1].kind, InstanceRequestKind::Check);
}

TEST_F(InstanceServerTest, ASocketLeftByACrashedProgramIsTakenOver) {
    const std::string path = instanceSocketPath(directory_.path().string());
    std::ofstream(path) << "stale";
    InstanceServer server(path, [this](const InstanceRequest& r) { taken_.push_back(r); });
    EXPECT_TRUE(server.listening());
    EXPECT_TRUE(ask(directory_.path().string(), {}));
    EXPECT_EQ(taken_.size(), 1u);
}

TEST_F(InstanceServerTest, WhatNoProgramOfOursSendsIsTurnedAway) {
    const std::string path = instanceSocketPath(directory_.path().string());
    InstanceServer server(path, [this](const InstanceRequest& r) { taken_.push_back(r); });
    ASSERT_TRUE(server.listening());
    for (const QByteArray& junk : {QByteArray("quit\n"), QByteArray(4096, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(QString::fromStdString(path));
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write(junk);
        socket.flush();
        // Closed by the server, without a request taken.
        EXPECT_TRUE(test::processEventsUntil(
            [&] { return socket.state() == QLocalSocket::UnconnectedState; }));
    }
    EXPECT_TRUE(taken_.empty());
}

} // namespace
} // namespace ombrix
