#include "check/ordered_run_host.h"

namespace ombrix {

void OrderedRunHost::release() {
    const std::lock_guard lock(mutex_);
    // Under the lock, so that no call of the account passes the ones before it.
    for (const auto& call : waiting_)
        call(host_);
    waiting_.clear();
    live_ = true;
    released_.notify_all();
}

void OrderedRunHost::awaitTurn() {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return live_; });
}

void OrderedRunHost::pass(std::function<void(RunHost&)> call) {
    const std::lock_guard lock(mutex_);
    if (live_)
        call(host_);
    else
        waiting_.push_back(std::move(call));
}

void OrderedRunHost::setTrayIcon(TrayIconKind icon) {
    pass([icon](RunHost& host) { host.setTrayIcon(icon); });
}

void OrderedRunHost::setTrayTooltip(const std::string& text) {
    pass([text](RunHost& host) { host.setTrayTooltip(text); });
}

void OrderedRunHost::setWaitText(const std::string& text) {
    pass([text](RunHost& host) { host.setWaitText(text); });
}

void OrderedRunHost::setWaitRange(int low, int high) {
    pass([low, high](RunHost& host) { host.setWaitRange(low, high); });
}

void OrderedRunHost::setWaitPosition(int position) {
    pass([position](RunHost& host) { host.setWaitPosition(position); });
}

void OrderedRunHost::showWaitButton() {
    pass([](RunHost& host) { host.showWaitButton(); });
}

void OrderedRunHost::closeWaitDialog() {
    pass([](RunHost& host) { host.closeWaitDialog(); });
}

void OrderedRunHost::stopAlarmTimers() {
    pass([](RunHost& host) { host.stopAlarmTimers(); });
}

void OrderedRunHost::armRunDone(int delayMs) {
    pass([delayMs](RunHost& host) { host.armRunDone(delayMs); });
}

void OrderedRunHost::accountLoggedIn(int row) {
    pass([row](RunHost& host) { host.accountLoggedIn(row); });
}

// The answer is needed now: the box waits for the account's turn.
BoxAnswer OrderedRunHost::messageBox(const std::string& text, BoxKind kind) {
    awaitTurn();
    return host_.messageBox(text, kind);
}

} // namespace ombrix
