#pragma once
// A tray for tests: a switch for "a tray host runs", and a record of what the
// tray object asked of it.

#include "platform/tray_shell.h"

#include <QString>
#include <utility>
#include <vector>

namespace ombrix::test {

struct TrayShellCall {
    enum Kind { Add, Modify, Remove } kind;
    QString tooltip;
};

class RecordingTrayShell final : public TrayShell {
public:
    // Shared with the test, which keeps a pointer after handing the shell over.
    bool trayRuns = true;
    std::vector<TrayShellCall> calls;

    bool available() const override { return trayRuns; }
    bool add(const QIcon&, const QString& tooltip) override {
        calls.push_back({TrayShellCall::Add, tooltip});
        return trayRuns;
    }
    bool modify(const QIcon&, const QString& tooltip) override {
        calls.push_back({TrayShellCall::Modify, tooltip});
        return trayRuns;
    }
    bool remove() override {
        calls.push_back({TrayShellCall::Remove, {}});
        return true;
    }
    QRect geometry() const override { return {}; }
    bool clicksAreSingle() const override { return statusNotifierHost; }
    void setMenu(QMenu* shown) override { menu = shown; }
    QString takeActivationToken() override { return std::exchange(activationToken, {}); }

    bool statusNotifierHost = false;
    QMenu* menu = nullptr;
    QString activationToken; // handed with the next activation

    int count(TrayShellCall::Kind kind) const {
        int n = 0;
        for (const TrayShellCall& call : calls)
            n += call.kind == kind ? 1 : 0;
        return n;
    }
};

} // namespace ombrix::test
