// ombrix --add-account --oauth through the real executable, against the
// mock provider; $BROWSER is the test browser, which follows the printed
// address and delivers the redirect. No keyring (no session bus): the
// refresh token lands in ombrix.conf with the warning.

#include "cli/run_program.h"
#include "platform/display_bytes.h"
#include "support/oauth_mock.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

class CliOAuthTest : public testing::Test {
protected:
    test::ProgramResult run(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return test::runOmbrix(arguments, input,
                               {"BROWSER=" OMBRIX_TEST_SUPPORT_DIR "/oauth_test_browser.py"});
    }

    std::vector<std::string> addCustom(const test::OAuthMock& provider) const {
        return {"--add-account",
                "--name",
                "Alice",
                "--host",
                "imap.example.org",
                "--user",
                "alice",
                "--imap",
                "--ssl",
                "--oauth",
                "custom",
                "--authorization-url",
                provider.url("/authorize"),
                "--token-url",
                provider.url("/token"),
                "--device-url",
                provider.url("/devicecode"),
                "--client-id",
                test::kMockClientId,
                "--scope",
                "mail offline_access"};
    }

    std::string conf() const { return test::readBytes(dir / "ombrix.conf"); }

    // What the provider's hostile bytes (support/oauth_mock_server.py) become
    // on the terminal: valid UTF-8 throughout, the bytes that are not read as
    // windows-1252, no control left to steer the terminal.
    static void expectTerminalSafe(const std::string& err) {
        EXPECT_TRUE(::ombrix::isValidUtf8(err)) << err;
        EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
        EXPECT_EQ(err.find('\x07'), std::string::npos) << err;
        EXPECT_EQ(err.find("\xc2\x9b"), std::string::npos) << err; // the one-byte CSI
    }

    test::TempDir dir;
};

TEST_F(CliOAuthTest, AddsAnAccountThatSignsInInTheBrowserWithoutAPassword) {
    test::OAuthMock provider;
    const auto added = run(addCustom(provider));
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "OK, account successfully added !\n");
    EXPECT_NE(added.err.find("Open this address in your browser to sign in:\n" +
                             provider.url("/authorize?response_type=code")),
              std::string::npos)
        << added.err;
    EXPECT_NE(added.err.find("No keyring available: the OAuth sign-in is kept in ombrix.conf."),
              std::string::npos);
    EXPECT_EQ(provider.count("code_exchanges"), 1);

    EXPECT_NE(conf().find("oauthProvider/imap/993/imap.example.org/alice=custom\n"),
              std::string::npos);
    EXPECT_NE(conf().find(
                  "oauthTokenUrl/imap/993/imap.example.org/alice=" + provider.url("/token") + "\n"),
              std::string::npos);
    EXPECT_NE(conf().find("oauthRefreshToken/imap/993/imap.example.org/alice=" +
                          *provider.state().text("last_refresh_token") + "\n"),
              std::string::npos);
    EXPECT_NE(test::readBytes(dir / "obx.dat").find("user =alice\r\npass =\r\n"),
              std::string::npos);

    const auto listed = run({"--accounts"});
    EXPECT_EQ(listed.out, "0\tAlice\timap.example.org\t993\tIMAP\tSSL\tactive\toauth:custom\n");
}

TEST_F(CliOAuthTest, TheDeviceCodeIsShownAndItsSignInKept) {
    test::OAuthMock provider({"--approve-devices"});
    std::vector<std::string> arguments = addCustom(provider);
    arguments.push_back("--device-code");
    const auto added = run(arguments);
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_NE(
        added.err.find("Open " + provider.url("/device") + " on any device and enter the code "),
        std::string::npos)
        << added.err;
    EXPECT_EQ(provider.count("code_exchanges"), 0);
    EXPECT_EQ(provider.count("device_polls"), 1);
    EXPECT_NE(conf().find("oauthRefreshToken/imap/993/imap.example.org/alice=rt-"),
              std::string::npos);
}

TEST_F(CliOAuthTest, ASignInThatFailsAddsNothing) {
    test::OAuthMock provider;
    ASSERT_TRUE(provider.control("deny=1"));
    const auto added = run(addCustom(provider));
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("ombrix: The sign-in was refused: access_denied"), std::string::npos)
        << added.err;
    EXPECT_EQ(run({"--accounts"}).out, "");
    EXPECT_EQ(conf().find("oauthProvider"), std::string::npos);
}

// Whatever a provider sends reaches the terminal as valid UTF-8 with its
// controls shown: the reason of a refused authorization and of a refused
// code exchange, a device code and its address.
TEST_F(CliOAuthTest, ProviderTextsReachTheTerminalAsValidUtf8WithTheirControlsShown) {
    test::OAuthMock provider({"--approve-devices"});
    ASSERT_TRUE(provider.control("deny=hostile"));
    const auto denied = run(addCustom(provider));
    EXPECT_EQ(denied.exitCode, 1);
    expectTerminalSafe(denied.err);
    EXPECT_NE(denied.err.find("refused: access_denied:  ]0;owned  \\x9B2J end\n"),
              std::string::npos)
        << denied.err;

    ASSERT_TRUE(provider.control("hostile_refusal=1"));
    const auto refused = run(addCustom(provider));
    EXPECT_EQ(refused.exitCode, 1);
    expectTerminalSafe(refused.err);
    EXPECT_NE(refused.err.find("(invalid_grant:  [31m \u00ff\u00fe end)\n"), std::string::npos)
        << refused.err;
    EXPECT_EQ(run({"--accounts"}).out, "");

    ASSERT_TRUE(provider.control("hostile_devices=1"));
    std::vector<std::string> device = addCustom(provider);
    device.push_back("--device-code");
    const auto added = run(device);
    ASSERT_EQ(added.exitCode, 0) << added.err;
    expectTerminalSafe(added.err);
    // Each field on its own: the address's bytes that are no UTF-8 leave the
    // code's UTF-8 as it is.
    EXPECT_NE(added.err.find("Open " + provider.url("/device/\u00fe\u00ff") +
                             " on any device and enter the code "),
              std::string::npos)
        << added.err;
    EXPECT_NE(added.err.find("\\x9B[2J."), std::string::npos) << added.err;
}

// An argument's value is anyone's to read in ps: the secret comes from a
// file or from standard input, and on the command line it is refused.
TEST_F(CliOAuthTest, TheClientSecretComesFromAFileOrStandardInputNeverFromTheArguments) {
    test::OAuthMock provider;
    std::vector<std::string> onTheLine = addCustom(provider);
    onTheLine.insert(onTheLine.end(), {"--client-secret", "s3cret"});
    const auto refused = run(onTheLine);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--client-secret-file FILE reads it from a file, --client-secret - "
                               "from standard input"),
              std::string::npos)
        << refused.err;
    std::vector<std::string> german = onTheLine;
    german.insert(german.begin(), {"--lang", "de"});
    EXPECT_NE(run(german).err.find("von der Standardeingabe"), std::string::npos);
    EXPECT_EQ(provider.count("authorizations"), 0);
    EXPECT_EQ(run({"--accounts"}).out, "");

    const std::string secretKey = "oauthClientSecret/imap/993/imap.example.org/alice=";
    std::vector<std::string> fromInput = addCustom(provider);
    fromInput.insert(fromInput.end(), {"--client-secret", "-"});
    const auto added = run(fromInput, "from-stdin\n");
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(provider.state().text("last_client_secret"), "from-stdin");
    EXPECT_NE(conf().find(secretKey + "from-stdin\n"), std::string::npos) << conf();

    const std::filesystem::path secretFile = dir / "secret.txt";
    test::writeBytes(secretFile, "from-file\r\n");
    std::vector<std::string> fromFile = addCustom(provider);
    fromFile[4] = "imap2.example.org";
    fromFile.insert(fromFile.end(), {"--client-secret-file", secretFile.string()});
    const auto second = run(fromFile);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(provider.state().text("last_client_secret"), "from-file");

    fromFile[4] = "imap3.example.org";
    fromFile.back() = (dir / "no-such-file").string();
    const auto missing = run(fromFile);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no-such-file: No such file or directory"), std::string::npos)
        << missing.err;
    EXPECT_EQ(provider.count("code_exchanges"), 2);
}

TEST_F(CliOAuthTest, APresetWithoutClientIdNamesTheOmbrixConfKey) {
    const auto added = run({"--add-account", "--name", "G", "--host", "imap.gmail.com", "--user",
                            "me@gmail.com", "--imap", "--ssl", "--oauth", "google"});
    if (added.exitCode == 0)
        GTEST_SKIP() << "this build brings a Google client id";
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("oauthGoogleClientId"), std::string::npos) << added.err;
    EXPECT_EQ(run({"--accounts"}).out, "");

    const auto device = run({"--add-account", "--name", "G", "--host", "imap.gmail.com", "--user",
                             "me@gmail.com", "--oauth", "google", "--device-code"});
    EXPECT_EQ(device.exitCode, 1);
}

TEST_F(CliOAuthTest, OAuthOptionsOutOfPlaceAreUsageErrors) {
    const std::vector<std::string> base{"--add-account", "--name", "A", "--host", "h",
                                        "--user",        "u"};
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--oauth", "yahoo"},
          {"--client-id", "x"},
          {"--oauth", "google", "--token-url", "https://t/"},
          {"--device-code"}}) {
        std::vector<std::string> arguments = base;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(arguments).exitCode, 2) << extra.front();
    }
}

TEST_F(CliOAuthTest, APasswordAccountDropsAStaleSignInOfTheSameServerAndUser) {
    test::writeBytes(dir / "ombrix.conf",
                     "idle=on\noauthProvider/pop3/110/pop.example.org/u=google\n"
                     "oauthRefreshToken/pop3/110/pop.example.org/u=old\n");
    const auto added =
        run({"--add-account", "--name", "A", "--host", "pop.example.org", "--user", "u"}, "pw\n");
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(conf(), "idle=on\n");
    const auto listed = run({"--accounts"});
    EXPECT_EQ(listed.out.find("oauth:"), std::string::npos) << listed.out;
}

} // namespace
} // namespace ombrix
