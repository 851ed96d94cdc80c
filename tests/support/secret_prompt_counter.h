#pragma once
// Counts the keyring's unlock prompts shown to the user: dbus-monitor on the
// test's session bus sees every Prompt call of org.freedesktop.Secret.Prompt,
// whichever connection of the program makes it.

#include <QProcess>

namespace ombrix::test {

class SecretPromptCounter {
public:
    SecretPromptCounter();
    ~SecretPromptCounter();
    SecretPromptCounter(const SecretPromptCounter&) = delete;
    SecretPromptCounter& operator=(const SecretPromptCounter&) = delete;

    // The monitor is on the bus and has seen a first mark.
    bool monitoring() const { return monitoring_; }
    // The prompts so far. Every prompt the program asked for was routed by
    // the bus before the mark this sends, and the monitor reports in routing
    // order: once it has reported the mark the count is complete.
    int prompts();

private:
    bool awaitMonitor();
    bool awaitMark();

    QProcess monitor_;
    QByteArray pending_;
    int prompts_ = 0;
    int marks_ = 0;
    bool monitoring_ = false;
};

} // namespace ombrix::test
