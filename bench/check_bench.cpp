// The check run against a running test Dovecot (scripts/dovecot-test-server):
// a first check of a filled mailbox (every mail unknown) and an unchanged
// re-check, timed as wall time of the whole run; the receives that waited out
// their time-out are counted in the protocol log of one more, untimed re-check
// (a log would cost the timed runs time). Prints one JSON object per configuration,
// in the form bench/peer_check.py prints, so bench/run-check-bench can set
// the two side by side.
//
//   check_bench --server DIR --user U [--protocol pop3|imap|all]
//               [--plain | --tls | --both] [--repeat 5] [--accounts N]
//
// With --accounts N the re-check is one run over N accounts of the same
// mailbox, all unchanged: the first check fills the first account, and the
// others start from the list it left, as their own first checks would have
// left them (N first checks over a slow link would take minutes).
//
// TLS trusts the server through SSL_CERT_FILE, set here to DIR's test CA.

#include "check/check_run.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "key_values.h"
#include "net/mail_socket.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace ombrix;

class QuietRunHost : public RunHost {
public:
    void setTrayIcon(TrayIconKind) override {}
    void setTrayTooltip(const std::string&) override {}
    void setWaitText(const std::string&) override {}
    void setWaitRange(int, int) override {}
    void setWaitPosition(int) override {}
    void showWaitButton() override {}
    void closeWaitDialog() override {}
    void stopAlarmTimers() override {}
    void armRunDone(int) override {}
};

using ombrix::bench::readKeyValues;

struct Options {
    std::string serverDir;
    std::string user;
    std::vector<std::string> protocols{"pop3", "imap"};
    std::vector<bool> tlsModes{false, true};
    int repeat = 5;
    int accounts = 1;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const auto value = [&]() -> std::string {
            if (k + 1 >= argc)
                throw std::runtime_error(arg + " needs a value");
            return argv[++k];
        };
        if (arg == "--server")
            options.serverDir = value();
        else if (arg == "--user")
            options.user = value();
        else if (arg == "--repeat")
            options.repeat = std::max(1, std::stoi(value()));
        else if (arg == "--accounts")
            options.accounts = std::clamp(std::stoi(value()), 1, kMaxAccounts);
        else if (arg == "--protocol") {
            const std::string p = value();
            options.protocols =
                p == "all" ? std::vector<std::string>{"pop3", "imap"} : std::vector<std::string>{p};
        } else if (arg == "--plain")
            options.tlsModes = {false};
        else if (arg == "--tls")
            options.tlsModes = {true};
        else if (arg == "--both")
            options.tlsModes = {false, true};
        else
            throw std::runtime_error("unknown argument " + arg);
    }
    if (options.serverDir.empty() || options.user.empty())
        throw std::runtime_error(
            "usage: check_bench --server DIR --user U [--protocol pop3|imap|all] "
            "[--plain|--tls|--both] [--repeat N] [--accounts N]");
    return options;
}

struct Timed {
    double seconds = 0;
    double cpuSeconds = 0;
    int mails = 0;
    std::string error;
};

// User and system time of the whole process, as the peer's process_time().
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One check run over the table's accounts, timed.
Timed timedCheck() {
    QuietRunHost host;
    const double cpuBegan = cpuSeconds();
    const auto began = std::chrono::steady_clock::now();
    CheckThread(host);
    const auto ended = std::chrono::steady_clock::now();
    Timed timed;
    timed.cpuSeconds = cpuSeconds() - cpuBegan;
    timed.seconds = std::chrono::duration<double>(ended - began).count();
    timed.mails = validMailCount(accounts[0]);
    for (std::uint32_t k = 0; k < accountCount; ++k) {
        if (accounts[k].errorFlag != 0)
            timed.error = accounts[k].name + ": " + accounts[k].errorText;
        else if (validMailCount(accounts[k]) != timed.mails)
            timed.error = accounts[k].name + " saw another mail count";
    }
    return timed;
}

double median(std::vector<double> values) {
    std::ranges::sort(values);
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string jsonList(const std::vector<double>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text + "]";
}

// One more check over the table's accounts with a protocol log, and the
// receives in it that waited out their time-out.
std::uint32_t receiveTimeoutsOfALoggedCheck() {
    char path[] = "/tmp/check_bench_log_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        throw std::runtime_error("no temporary file for the protocol log");
    close(fd);
    setenv("OMBRIX_PROTOCOL_LOG", path, 1);
    QuietRunHost host;
    CheckThread(host);
    unsetenv("OMBRIX_PROTOCOL_LOG");
    std::ifstream log(path);
    const std::string wanted = "* " + std::string(kReceiveTimeoutNote);
    std::uint32_t count = 0;
    for (std::string line; std::getline(log, line);)
        count += line == wanted ? 1 : 0;
    std::remove(path);
    return count;
}

// Prints one configuration's JSON line; false when a check failed.
bool measure(const Options& options, const std::map<std::string, std::string>& env,
             const std::string& password, const std::string& protocol, bool tls) {
    std::vector<double> first;
    std::vector<double> recheck;
    std::vector<double> firstCpu;
    int mails = 0;
    for (int r = 0; r < options.repeat; ++r) {
        AccountRecord& a = accounts[0];
        clearAccount(a);
        a.name = "bench";
        a.host = env.at("HOST");
        a.user = options.user;
        a.password = password;
        a.protocol = protocol == "imap" ? 1 : 0;
        a.useSsl = tls ? 1 : 0;
        std::string portKey = protocol == "imap" ? "IMAP" : "POP3";
        a.port = env.at(portKey + (tls ? "S" : "") + "_PORT");
        accountCount = 1;
        for (auto* samples : {&first, &recheck}) {
            if (samples == &recheck) {
                for (int k = 1; k < options.accounts; ++k) {
                    accounts[k] = accounts[0];
                    accounts[k].name = "bench " + std::to_string(k + 1);
                }
                accountCount = static_cast<std::uint32_t>(options.accounts);
            }
            const Timed timed = timedCheck();
            if (!timed.error.empty()) {
                std::fprintf(stderr, "check_bench: %s%s failed: %s\n", protocol.c_str(),
                             tls ? " TLS" : "", timed.error.c_str());
                return false;
            }
            samples->push_back(timed.seconds);
            if (samples == &first)
                firstCpu.push_back(timed.cpuSeconds);
            mails = timed.mails;
        }
    }
    const std::uint32_t timeouts = receiveTimeoutsOfALoggedCheck();
    std::printf("{\"protocol\": \"%s\", \"tls\": %s, \"mails\": %d, \"accounts\": %d, "
                "\"first_s\": %s, \"recheck_s\": %s, \"first_median_s\": %.4f, "
                "\"recheck_median_s\": %.5f, \"first_cpu_median_s\": %.4f, "
                "\"receive_timeouts\": %u}\n",
                protocol.c_str(), tls ? "true" : "false", mails, options.accounts,
                jsonList(first).c_str(), jsonList(recheck).c_str(), median(first), median(recheck),
                median(firstCpu), timeouts);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        const auto env = readKeyValues(options.serverDir + "/server.env", '=');
        const auto passwords = readKeyValues(env.at("USERS_FILE"), '\t');
        setenv("SSL_CERT_FILE", env.at("CA_FILE").c_str(), 1);
        windowHidden = 1; // no wait dialog
        bool allChecked = true;
        for (const std::string& protocol : options.protocols)
            for (const bool tls : options.tlsModes)
                allChecked =
                    measure(options, env, passwords.at(options.user), protocol, tls) && allChecked;
        return allChecked ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "check_bench: %s\n", e.what());
        return 2;
    }
}
