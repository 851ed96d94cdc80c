#include "app/check_requests.h"

namespace ombrix {

CheckRequests::CheckRequests(std::function<void()> startCheck, std::function<bool()> runActive,
                             QObject* parent)
    : QObject(parent), startCheck_(std::move(startCheck)), runActive_(std::move(runActive)) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kCheckRequestQuietMs);
    connect(&quiet_, &QTimer::timeout, this, [this] { quietEnded(); });
}

void CheckRequests::request() {
    if (quiet_.isActive()) {
        pending_ = true;
        return;
    }
    quiet_.start();
    start();
}

void CheckRequests::quietEnded() {
    if (!pending_)
        return;
    pending_ = false;
    quiet_.start();
    start();
}

// A run that is active now may have looked at the account before the change:
// one more check follows it.
void CheckRequests::start() {
    if (runActive_()) {
        afterRun_ = true;
        return;
    }
    startCheck_();
}

void CheckRequests::runEnded() {
    if (!afterRun_)
        return;
    afterRun_ = false;
    // Queued: the end of the run is still on the stack.
    QMetaObject::invokeMethod(
        this, [this] { request(); }, Qt::QueuedConnection);
}

} // namespace ombrix
