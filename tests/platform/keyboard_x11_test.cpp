// The X11 lock-key layer against a private Xvfb: the LEDs as another X client
// sees them, and keys held down through XTest.

#include "platform/keyboard.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// After gtest: Xlib's macros (None, Bool, ...) would break its headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

extern char** environ;

namespace ombrix {
namespace {

// An Xvfb on a display number it picks itself; it tells the number (once it
// accepts connections) through a pipe.
class PrivateXServer {
public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("Xvfb"),
                        const_cast<char*>("-displayfd"),
                        const_cast<char*>("3"),
                        const_cast<char*>("-nolisten"),
                        const_cast<char*>("tcp"),
                        const_cast<char*>("-screen"),
                        const_cast<char*>("0"),
                        const_cast<char*>("320x240x24"),
                        nullptr};
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            display_ = ":" + number;
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    const std::optional<std::string>& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::optional<std::string> display_;
};

class X11KeyboardTest : public testing::Test {
protected:
    void SetUp() override {
        if (!server.display()) {
            if (std::getenv("CI"))
                FAIL() << "Xvfb could not be started";
            GTEST_SKIP() << "no Xvfb on this machine";
        }
        setenv("DISPLAY", server.display()->c_str(), 1);
        observer = XOpenDisplay(nullptr);
        ASSERT_NE(observer, nullptr);
        keys = makeX11Keyboard();
    }
    void TearDown() override {
        keys.reset();
        if (observer)
            XCloseDisplay(observer);
    }

    // The LED as any other X client (xset q) sees it.
    bool ledLit(const char* name) {
        Bool on = False;
        XkbGetNamedIndicator(observer, XInternAtom(observer, name, False), nullptr, &on, nullptr,
                             nullptr);
        return on;
    }

    void fakeKey(KeySym keysym, bool down) {
        XTestFakeKeyEvent(observer, XKeysymToKeycode(observer, keysym), down ? True : False,
                          CurrentTime);
        XSync(observer, False);
    }

    PrivateXServer server;
    Display* observer = nullptr;
    std::shared_ptr<Keyboard> keys;
};

struct LockRow {
    const char* name;
    LockKey key;
    const char* indicator;
};

class X11LockTest : public X11KeyboardTest, public testing::WithParamInterface<LockRow> {};

TEST_P(X11LockTest, PressAndReleaseFlipsTheLed) {
    const LockRow& row = GetParam();
    ASSERT_FALSE(keys->lockState(row.key));
    ASSERT_FALSE(ledLit(row.indicator));
    keys->pressAndRelease(row.key);
    EXPECT_TRUE(keys->lockState(row.key));
    EXPECT_TRUE(ledLit(row.indicator));
    keys->pressAndRelease(row.key);
    EXPECT_FALSE(keys->lockState(row.key));
    EXPECT_FALSE(ledLit(row.indicator));
}

INSTANTIATE_TEST_SUITE_P(Keys, X11LockTest,
                         testing::Values(LockRow{"Caps", LockKey::CapsLock, "Caps Lock"},
                                         LockRow{"Num", LockKey::NumLock, "Num Lock"},
                                         LockRow{"Scroll", LockKey::ScrollLock, "Scroll Lock"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(X11KeyboardTest, KeysDoNotDisturbEachOther) {
    keys->pressAndRelease(LockKey::NumLock);
    keys->pressAndRelease(LockKey::ScrollLock);
    EXPECT_FALSE(keys->lockState(LockKey::CapsLock));
    EXPECT_TRUE(keys->lockState(LockKey::NumLock));
    EXPECT_TRUE(keys->lockState(LockKey::ScrollLock));
}

TEST_F(X11KeyboardTest, HeldKeysAreSeenWhileDown) {
    EXPECT_FALSE(keys->isHeld(LockKey::NumLock));
    fakeKey(XK_Num_Lock, true);
    EXPECT_TRUE(keys->isHeld(LockKey::NumLock));
    EXPECT_FALSE(keys->isHeld(LockKey::ScrollLock));
    fakeKey(XK_Num_Lock, false);
    EXPECT_FALSE(keys->isHeld(LockKey::NumLock));

    fakeKey(XK_Scroll_Lock, true);
    EXPECT_TRUE(keys->isHeld(LockKey::ScrollLock));
    fakeKey(XK_Scroll_Lock, false);
    EXPECT_FALSE(keys->isHeld(LockKey::ScrollLock));
}

TEST(X11KeyboardWithoutDisplay, EverythingIsAQuietNoOp) {
    const char* saved = std::getenv("DISPLAY");
    const std::optional<std::string> previous =
        saved ? std::optional<std::string>(saved) : std::nullopt;
    unsetenv("DISPLAY");
    auto keys = makeX11Keyboard();
    for (LockKey key : {LockKey::CapsLock, LockKey::NumLock, LockKey::ScrollLock}) {
        keys->pressAndRelease(key);
        EXPECT_FALSE(keys->lockState(key));
        EXPECT_FALSE(keys->isHeld(key));
    }
    if (previous)
        setenv("DISPLAY", previous->c_str(), 1);
}

} // namespace
} // namespace ombrix
