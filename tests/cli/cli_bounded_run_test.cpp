// ombrix --check and --delete end in bounded time however the server behaves
// or the user interrupts: a signal aborts the run as the wait dialog's button
// would, the lists stay whole, and the exit status names the signal. The
// desktop program ends on a termination signal as its Quit command would.

#include "cli/run_program.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

const std::string kListedMail = "From: ann@example.org\r\nSubject: Hi there\r\n"
                                "Date: Tue, 2 Jan 2024 09:00:00 +0000\r\n\r\nBody\r\n.\r\n";

// A first connection that lists one mail, then one that stalls after USER.
test::Script oneMailThenStallAtLogin() {
    test::Script s;
    s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK").expect("STAT").sendLine("+OK 1 99");
    s.expect("UIDL").send("+OK\r\n1 abc\r\n.\r\n");
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(kListedMail.size()));
    s.expect("TOP 1 100").send("+OK\r\n" + kListedMail);
    s.expect("NOOP").sendLine("+OK").expect("QUIT").sendLine("+OK bye").close();
    s.sendLine("+OK ready").expect("USER bob").silent();
    return s;
}
constexpr std::size_t kStallStep = 20; // the silent() above

class CliBoundedRunTest : public testing::Test {
protected:
    void addAccount(const std::string& port, bool ssl) {
        std::vector<std::string> arguments = {
            "--dir",  dir.path().string(), "--add-account", "--name", "box",
            "--host", "127.0.0.1",         "--user",        "bob",    "--port",
            port};
        if (ssl)
            arguments.push_back("--ssl");
        ASSERT_EQ(test::runOmbrix(arguments, "secret\n").exitCode, 0);
    }
    std::vector<std::string> withDir(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return arguments;
    }
    std::string list() const { return test::runOmbrix(withDir({"--list"})).out; }

    // Interrupts the command once the server stalls, and returns how it ended.
    test::ProgramResult interrupted(const std::vector<std::string>& command, int signalNumber,
                                    test::LoopbackServer& server) {
        test::RunningOmbrix program(withDir(command));
        EXPECT_TRUE(server.waitUntilReached(kStallStep));
        program.sendSignal(signalNumber);
        return program.finish();
    }

    test::TempDir dir;
};

TEST_F(CliBoundedRunTest, SigtermAbortsTheCheckKeepsTheListsAndExits143) {
    test::LoopbackServer server(oneMailThenStallAtLogin());
    addAccount(server.port(), false);
    ASSERT_EQ(test::runOmbrix(withDir({"--check"})).exitCode, 0);
    const std::string listed = list();
    ASSERT_NE(listed.find("Hi there"), std::string::npos) << listed;

    const test::ProgramResult result = interrupted({"--check"}, SIGTERM, server);

    EXPECT_EQ(result.killedBy, 0) << "the signal must end the run, not the process";
    EXPECT_EQ(result.exitCode, 143);
    EXPECT_EQ(result.out.rfind("box\t", 0), 0u) << result.out;
    EXPECT_EQ(list(), listed);
}

TEST_F(CliBoundedRunTest, SigintAbortsTheDeletionSkipsTheCheckAndExits130) {
    test::LoopbackServer server(oneMailThenStallAtLogin());
    addAccount(server.port(), false);
    ASSERT_EQ(test::runOmbrix(withDir({"--check"})).exitCode, 0);
    const std::string listed = list();

    const test::ProgramResult result = interrupted({"--delete", "0", "0", "--yes"}, SIGINT, server);

    EXPECT_EQ(result.killedBy, 0) << "the signal must end the run, not the process";
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.connections(), 2) << "no check run may follow an interrupted deletion";
    EXPECT_EQ(list(), listed);
}

TEST_F(CliBoundedRunTest, SigtermEndsTheDesktopProgramAfterItsRunWithTheListsKept) {
    test::LoopbackServer server(oneMailThenStallAtLogin());
    addAccount(server.port(), false);
    ASSERT_EQ(test::runOmbrix(withDir({"--check"})).exitCode, 0);
    const std::string listed = list();

    // The desktop program's first check stalls at the login.
    test::RunningOmbrix program(withDir({}), "", {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_TRUE(server.waitUntilReached(kStallStep));
    program.sendSignal(SIGTERM);
    const test::ProgramResult result = program.finish();

    EXPECT_EQ(result.killedBy, 0) << "the signal must end the run, not the process";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(list(), listed);
}

TEST_F(CliBoundedRunTest, SilentTlsServerFailsTheAccountAtTheShortenedTimeOut) {
    test::TempDir pkiDir;
    const test::TestCertificates pki = test::makeTestCertificates(pkiDir.path());
    test::LoopbackServer server(test::Script().silent(), pki);
    addAccount(server.port(), true);

    const test::ProgramResult result =
        test::runOmbrix(withDir({"--check"}), "", {"OMBRIX_TEST_REPLY_TIMEOUT_MS=300"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("could not connect to server (TLS hand-shake timed out)"),
              std::string::npos)
        << result.out;
}

} // namespace
} // namespace ombrix
