// The time from a mail's delivery into an IDLE-watched INBOX of the test
// Dovecot (scripts/dovecot-test-server) to the tray icon turning to new mail,
// through the real window, its IDLE watcher and its check run (offscreen).
// Each mail is delivered as a mail server delivers: written under tmp/ and
// renamed into new/; the clock starts at the rename. Between two deliveries
// every mail is marked read, so the icon goes back to idle, and the 2 s in
// which further requests would coalesce pass.
//
//   idle_latency --server DIR --user U [--count 10] [--read-elsewhere]
//
// With --read-elsewhere it times the other way: every mail is read by another
// client (scripts/mailbox-tool seen) and the clock runs from that client's end
// to the tray icon turning idle, through the watcher's flag update and the
// check that follows the server's \Seen.
//
// Prints each latency, then the median and the maximum, and one JSON line.

#include "app/checker_dlg.h"
#include "app/instant_checks.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/run_flags.h"
#include "idle/idle_watcher.h"
#include "key_values.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace ombrix;
using Clock = std::chrono::steady_clock;

constexpr int kGuardMs = 60000;

using ombrix::bench::readKeyValues;

struct Options {
    std::string serverDir;
    std::string user;
    int count = 10;
    bool readElsewhere = false;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--read-elsewhere") {
            options.readElsewhere = true;
            --i;
            continue;
        }
        if (i + 1 >= argc)
            throw std::runtime_error("option " + key + " without its value");
        if (key == "--server")
            options.serverDir = argv[i + 1];
        else if (key == "--user")
            options.user = argv[i + 1];
        else if (key == "--count")
            options.count = std::max(1, std::atoi(argv[i + 1]));
        else
            throw std::runtime_error("unknown option " + key);
    }
    if (options.serverDir.empty() || options.user.empty())
        throw std::runtime_error("usage: idle_latency --server DIR --user U [--count 10]");
    return options;
}

// Runs the event loop until the condition holds; false after the guard.
bool waitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(kGuardMs);
    QTimer tick;
    tick.start(1);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Writes a mail into the Maildir as a delivery agent does; returns the moment
// it became visible (the rename into new/).
Clock::time_point deliver(const std::filesystem::path& maildir, int number, uid_t uid, gid_t gid) {
    const std::string name =
        "idle-latency." + std::to_string(::getpid()) + "." + std::to_string(number) + ".bench";
    const std::filesystem::path temporary = maildir / "tmp" / name;
    {
        std::ofstream out(temporary, std::ios::binary);
        out << "From: Bench <bench@example.test>\r\nTo: user@example.test\r\n"
            << "Subject: idle latency " << name << "\r\n" // never a mail listed before
            << "Date: Wed, 09 Dec 2026 12:00:00 +0000\r\n"
            << "Message-ID: <idle-latency-" << number << "@example.test>\r\n\r\n"
            << "Delivered while the watcher idles.\r\n";
    }
    if (::chown(temporary.c_str(), uid, gid) != 0)
        throw std::runtime_error("cannot hand the mail to the mail user");
    const Clock::time_point delivered = Clock::now();
    std::filesystem::rename(temporary, maildir / "new" / name);
    return delivered;
}

void markAllRead(CCheckerDlg& window) {
    {
        const TableAccess access;
        for (int i = 0; i < validMailCount(accounts[0]); ++i)
            accounts[0].mails[i].read = 1;
    }
    window.refreshLists(RefreshMode::Full);
}

// Another client sets (or clears) \Seen on every mail; returns when it has
// logged out.
Clock::time_point readElsewhere(const std::string& serverDir, const std::string& user, int count,
                                bool seen = true) {
    std::string command = std::string(OMBRIX_SOURCE_DIR) + "/scripts/mailbox-tool '" + serverDir +
                          "' '" + user + (seen ? "' seen" : "' unseen");
    for (int k = 1; k <= count; ++k)
        command += " " + std::to_string(k);
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("the other client could not change the mails");
    return Clock::now();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int run(const Options& options) {
    const auto env = readKeyValues(options.serverDir + "/server.env", '=');
    const auto users = readKeyValues(options.serverDir + "/users.tsv", '\t');
    const std::filesystem::path maildir = std::filesystem::path(env.at("MAIL_ROOT")) / options.user;
    const uid_t uid = static_cast<uid_t>(std::stoul(env.at("MAIL_UID")));
    const gid_t gid = static_cast<gid_t>(std::stoul(env.at("MAIL_GID")));

    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("idle_latency." + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    programDirectory = directory.string();
    windowHidden = 1;
    AccountRecord& account = accounts[accountCount++];
    clearAccount(account);
    account.name = options.user;
    account.host = env.at("HOST");
    account.port = env.at("IMAP_PORT");
    account.user = options.user;
    account.password = users.at(options.user);
    account.protocol = 1;

    std::vector<double> latencies;
    {
        CCheckerDlg window;
        InstantChecks instant(window, QDBusConnection(QString()));
        int runsOver = 0;
        instant.install();
        QObject::connect(&window, &CCheckerDlg::runOver, [&runsOver] { ++runsOver; });

        window.checkNow();
        if (!waitFor([&] { return runsOver == 1; }))
            throw std::runtime_error("the first check did not end");
        instant.start();
        const ImapServer server = imapServerOf(accounts[0]);
        auto idling = [&] {
            const IdleWatcher* watcher = instant.watchers().watcherOf(server);
            return watcher && watcher->idling();
        };
        const auto quiet = [&] {
            return waitFor([&] {
                return idling() && !window.runActive() && !instant.requests().quietTimeRunning();
            });
        };
        for (int i = 1; i <= options.count && options.readElsewhere; ++i) {
            const int mails = validMailCount(accounts[0]);
            // Unread elsewhere first, so that the tray has new mail to lose.
            if (!quiet())
                throw std::runtime_error("the watcher does not idle");
            readElsewhere(options.serverDir, options.user, mails, false);
            if (!waitFor([&] { return window.trayIconKind() == TrayIconKind::NewMail; }))
                throw std::runtime_error("the tray never showed the mails unread elsewhere");
            if (!quiet())
                throw std::runtime_error("the watcher does not idle");
            const Clock::time_point read = readElsewhere(options.serverDir, options.user, mails);
            if (!waitFor([&] { return window.trayIconKind() == TrayIconKind::Idle; }))
                throw std::runtime_error("the tray never left the new mail");
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - read).count();
            latencies.push_back(ms);
            std::printf("read elsewhere %2d: %7.1f ms\n", i, ms);
            std::fflush(stdout);
        }
        for (int i = 1; i <= options.count && !options.readElsewhere; ++i) {
            markAllRead(window);
            if (window.trayIconKind() == TrayIconKind::NewMail)
                throw std::runtime_error("the tray still shows new mail after marking all read");
            // A check still running, or the quiet time after the last
            // request, would make the next delivery wait for it: each
            // delivery is timed alone.
            if (!quiet())
                throw std::runtime_error("the watcher does not idle");
            const Clock::time_point delivered = deliver(maildir, i, uid, gid);
            if (!waitFor([&] { return window.trayIconKind() == TrayIconKind::NewMail; }))
                throw std::runtime_error("the tray never showed the new mail");
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - delivered).count();
            latencies.push_back(ms);
            std::printf("delivery %2d: %7.1f ms\n", i, ms);
            std::fflush(stdout);
        }
        window.endSession();
    }
    std::filesystem::remove_all(directory);
    const double max = *std::max_element(latencies.begin(), latencies.end());
    std::printf("median %.1f ms, max %.1f ms over %zu deliveries (goal: median <= 2000 ms)\n",
                median(latencies), max, latencies.size());
    std::printf("{\"bench\": \"idle_latency\", \"deliveries\": %zu, \"median_ms\": %.1f, "
                "\"max_ms\": %.1f}\n",
                latencies.size(), median(latencies), max);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        return run(parse(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "idle_latency: %s\n", error.what());
        return 1;
    }
}
