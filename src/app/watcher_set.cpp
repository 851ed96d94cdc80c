#include "app/watcher_set.h"

#include "config/program_conf.h"
#include "config/read_state_switches.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"
#include "idle/idle_watcher.h"
#include "idle/watch_host.h"

#include <QPointer>
#include <algorithm>

namespace ombrix {

// Queues each report onto the window thread; reports that arrive after the
// set has gone are dropped.
class WatcherSet::QueuedHost final : public WatchHost {
public:
    QueuedHost(WatcherSet& set, ImapServer server) : set_(&set), server_(std::move(server)) {}

    // Both run on the watcher's thread.
    void mailboxChanged() override {
        QMetaObject::invokeMethod(
            set_, [set = set_] { set->onMailboxChanged_(); }, Qt::QueuedConnection);
    }
    void idleUnsupported() override {
        QMetaObject::invokeMethod(
            set_, [set = set_, server = server_] { set->idleUnsupported(server); },
            Qt::QueuedConnection);
    }
    void loginRefused() override {
        QMetaObject::invokeMethod(
            set_, [set = set_, server = server_] { set->loginRefused(server); },
            Qt::QueuedConnection);
    }

private:
    WatcherSet* set_; // a queued call dies with its context object
    ImapServer server_;
};

struct WatcherSet::Entry {
    std::unique_ptr<QueuedHost> host;
    std::unique_ptr<IdleWatcher> watcher; // destroyed first: it uses the host
    ~Entry() { watcher.reset(); }
};

WatcherSet::WatcherSet(std::function<void()> onMailboxChanged, WatchTimings timings,
                       QObject* parent)
    : QObject(parent), onMailboxChanged_(std::move(onMailboxChanged)), timings_(timings) {}

WatcherSet::~WatcherSet() {
    stopAll();
}

std::vector<WatcherSet::Wanted> WatcherSet::wanted() const {
    std::vector<Wanted> servers;
    const ProgramConf conf = readProgramConf();
    if (stopped_ || holds_ > 0 || !conf.flag(kConfIdle, true))
        return servers;
    const TableAccess access;
    for (std::uint32_t i = 0; i < accountCount; ++i) {
        const AccountRecord& account = accounts[i];
        if (account.protocol != 1 || account.deactivated == 1 || int(i) == leftOut_)
            continue;
        // A password still to come from the keyring: logging in without it
        // would only collect refusals until the keyring answers.
        if (keyringChosen && account.password.empty() && !signsInWithOAuth(account))
            continue;
        ImapServer server = imapServerOf(account);
        const bool follows = readStateInEffect(conf, keyringKeyOf(account)).followServer;
        const auto known = std::ranges::find(servers, server, &Wanted::server);
        if (known != servers.end()) {
            if (follows)
                known->flagChanges = FlagChanges::Reported;
        } else if (std::ranges::find(withoutIdle_, server) == withoutIdle_.end() &&
                   std::ranges::find(refused_, server) == refused_.end()) {
            servers.push_back(
                {std::move(server), follows ? FlagChanges::Reported : FlagChanges::Ignored});
        }
    }
    return servers;
}

void WatcherSet::update() {
    // Stopped watchers leave the set at once: one that has ended on its own
    // was refused its login or found no IDLE, whether or not its report has
    // arrived yet.
    for (const auto& entry : entries_) {
        if (!entry->watcher->ended())
            continue;
        if (entry->watcher->refused())
            rememberRefused(entry->watcher->server());
        else
            rememberWithoutIdle(entry->watcher->server());
    }
    const std::vector<Wanted> servers = wanted();
    std::vector<std::unique_ptr<Entry>> leaving;
    std::erase_if(entries_, [&](std::unique_ptr<Entry>& entry) {
        const IdleWatcher& watcher = *entry->watcher;
        const bool keep =
            std::ranges::any_of(servers,
                                [&](const Wanted& wanted) {
                                    return wanted.server == watcher.server() &&
                                           wanted.flagChanges == watcher.flagChanges();
                                }) &&
            !watcher.ended();
        if (!keep)
            leaving.push_back(std::move(entry));
        return !keep;
    });
    stop(leaving);
    for (const Wanted& wanted : servers) {
        const bool running = std::ranges::any_of(
            entries_, [&](const auto& entry) { return entry->watcher->server() == wanted.server; });
        if (running)
            continue;
        auto entry = std::make_unique<Entry>();
        entry->host = std::make_unique<QueuedHost>(*this, wanted.server);
        entry->watcher = std::make_unique<IdleWatcher>(wanted.server, *entry->host, timings_,
                                                       wanted.flagChanges);
        entries_.push_back(std::move(entry));
    }
}

// Every watcher is asked first, so that they end side by side, not one
// after the other.
void WatcherSet::stop(std::vector<std::unique_ptr<Entry>>& entries) {
    for (const auto& entry : entries)
        entry->watcher->requestStop();
    entries.clear();
}

void WatcherSet::hold() {
    ++holds_;
    update();
}

void WatcherSet::release() {
    if (holds_ > 0)
        --holds_;
    update();
}

// The account's server as it was before the edit and as it is after it:
// either way the user has looked at the account since the refusal.
void WatcherSet::leaveOut(int row) {
    forgetRefusal(leftOut_);
    forgetRefusal(row);
    leftOut_ = row;
    update();
}

void WatcherSet::loginPassed(int row) {
    forgetRefusal(row);
    update();
}

void WatcherSet::forgetRefusal(int row) {
    if (row < 0 || refused_.empty())
        return;
    const TableAccess access;
    if (static_cast<std::uint32_t>(row) >= accountCount)
        return;
    const AccountRecord& account = accounts[static_cast<std::size_t>(row)];
    if (account.protocol == 1)
        std::erase(refused_, imapServerOf(account));
}

void WatcherSet::stopAll() {
    stopped_ = true;
    stop(entries_);
}

void WatcherSet::reconnectAll() {
    for (const auto& entry : entries_)
        entry->watcher->reconnect();
}

// Known for the life of the process: an account edited to name another
// server, port or user gets a watcher again.
void WatcherSet::idleUnsupported(const ImapServer& server) {
    rememberWithoutIdle(server);
    update();
}

// Until a check run logs in to the server or its account is edited: a
// watcher that logged in again would only be refused again.
void WatcherSet::loginRefused(const ImapServer& server) {
    rememberRefused(server);
    update();
}

void WatcherSet::rememberRefused(const ImapServer& server) {
    if (std::ranges::find(refused_, server) == refused_.end())
        refused_.push_back(server);
}

void WatcherSet::rememberWithoutIdle(const ImapServer& server) {
    if (std::ranges::find(withoutIdle_, server) == withoutIdle_.end())
        withoutIdle_.push_back(server);
}

std::vector<ImapServer> WatcherSet::watched() const {
    std::vector<ImapServer> servers;
    for (const auto& entry : entries_)
        if (!entry->watcher->ended())
            servers.push_back(entry->watcher->server());
    return servers;
}

} // namespace ombrix

namespace ombrix {

const IdleWatcher* WatcherSet::watcherOf(const ImapServer& server) const {
    for (const auto& entry : entries_)
        if (entry->watcher->server() == server)
            return entry->watcher.get();
    return nullptr;
}

} // namespace ombrix
