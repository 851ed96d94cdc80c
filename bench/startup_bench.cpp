// Start-up of the desktop program, from exec to the first check's connect:
// by then the lists are loaded, the tray icon is up and the first check has
// started. The accounts point at a listener of ours, so the connect is the
// mark; each connection is closed at once and the account fails, which costs
// nothing here. Resident memory is read at the mark and again once the
// program has settled.
//
//   startup_bench [path/to/ombrix] [starts]
//
// Runs on the offscreen platform unless OMBRIX_BENCH_DISPLAY=1 (then on the
// DISPLAY given, for instance an Xvfb with a tray host).

#include "config/program_directory.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "full_table.h"
#include "load_average.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Listener {
    int fd = -1;
    int port = 0;
};

Listener listenOnLoopback() {
    Listener l;
    l.fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (l.fd < 0 || bind(l.fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(l.fd, 64) != 0 ||
        getsockname(l.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("listen");
        std::exit(1);
    }
    l.port = ntohs(address.sin_port);
    return l;
}

// Accepts and closes every connection that arrives within `ms`; true when
// at least one came.
bool acceptFor(int listener, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    bool any = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return any;
        pollfd p{listener, POLLIN, 0};
        if (poll(&p, 1, int(left)) == 1) {
            const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) {
                close(connection);
                any = true;
            }
        }
    }
}

// Resident set size in MB (10^6 bytes, as obx.msf's size is given) from
// /proc, or -1 when the process is gone.
double residentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:"))
            return std::strtod(line.c_str() + 6, nullptr) * 1024.0 / 1e6;
    return -1;
}

// User plus system CPU seconds of the process so far.
double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::vector<std::string> fields;
    std::string field;
    for (char c : all.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    // Fields 14 and 15 of the file; the list starts at field 3.
    if (fields.size() < 13)
        return -1;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(sysconf(_SC_CLK_TCK));
}

pid_t startProgram(const std::string& program, const std::string& directory) {
    const pid_t pid = fork();
    if (pid == 0) {
        const char* onDisplay = std::getenv("OMBRIX_BENCH_DISPLAY");
        if (!onDisplay || std::string(onDisplay) != "1")
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0)
            dup2(quiet, STDERR_FILENO); // Qt's platform remarks would drown the figures
        execl(program.c_str(), program.c_str(), "--dir", directory.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

struct Start {
    double toFirstCheckMs = 0;
    double cpuAtMarkS = 0;
    double rssAtMarkMb = 0;
    double rssSettledMb = 0;
};

std::optional<Start> timeOneStart(const std::string& program, const std::string& directory,
                                  int listener) {
    const auto begin = Clock::now();
    const pid_t pid = startProgram(program, directory);
    pollfd p{listener, POLLIN, 0};
    std::optional<Start> start;
    if (poll(&p, 1, 30000) == 1) {
        Start s;
        s.toFirstCheckMs = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        s.cpuAtMarkS = cpuSeconds(pid);
        s.rssAtMarkMb = residentMb(pid);
        acceptFor(listener, 3000); // every account fails at once; let the program settle
        s.rssSettledMb = residentMb(pid);
        start = s;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Writes the program's files: `count` accounts of `mails` mails each.
void writeDirectory(const std::string& directory, int port, int count, int mails) {
    using namespace ombrix;
    programDirectory = directory;
    bench::fillTable("127.0.0.1", std::to_string(port), count, mails);
    saveAllState();
    for (auto& account : accounts)
        clearAccount(account); // the next directory starts from an empty table
}

bool report(const char* what, const std::string& program, const std::string& directory,
            int listener, int starts) {
    const double loadBefore = ombrix::bench::loadAverage();
    std::vector<double> toCheck, cpu, rssMark, rssSettled;
    for (int i = 0; i < starts; ++i) {
        const auto start = timeOneStart(program, directory, listener);
        if (!start) {
            std::fprintf(stderr, "%s: the program never connected\n", what);
            return false;
        }
        toCheck.push_back(start->toFirstCheckMs);
        cpu.push_back(start->cpuAtMarkS * 1000);
        rssMark.push_back(start->rssAtMarkMb);
        rssSettled.push_back(start->rssSettledMb);
    }
    const auto msf = std::filesystem::path(directory) / "obx.msf";
    std::error_code ignored;
    const double msfMb = double(std::filesystem::file_size(msf, ignored)) / 1e6;
    std::printf("%-12s exec to first check %.0f ms (CPU %.0f ms), RSS %.1f MB, settled %.1f MB "
                "(obx.msf %.1f MB + %.1f MB) (medians of %d, load average %.1f to %.1f)\n",
                what, median(toCheck), median(cpu), median(rssMark), median(rssSettled), msfMb,
                median(rssSettled) - msfMb, starts, loadBefore, ombrix::bench::loadAverage());
    return true;
}

std::string defaultProgram(const char* self) {
    const auto build = std::filesystem::absolute(self).parent_path().parent_path();
    return (build / "src" / "app" / "ombrix").string();
}

} // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : defaultProgram(argv[0]);
    const int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    signal(SIGPIPE, SIG_IGN);
    const Listener listener = listenOnLoopback();
    struct Table {
        const char* name;
        int accounts;
        int mails;
    };
    bool ok = true;
    for (const Table table : {Table{"1 x 0", 1, 0}, Table{"2 x 50", 2, 50},
                              Table{"20 x 3000", ombrix::kMaxAccounts, ombrix::kMaxMails}}) {
        char pattern[] = "/tmp/ombrix-startup-XXXXXX";
        if (!mkdtemp(pattern))
            return 1;
        writeDirectory(pattern, listener.port, table.accounts, table.mails);
        ok = report(table.name, program, pattern, listener.fd, starts) && ok;
        std::filesystem::remove_all(pattern);
    }
    return ok ? 0 : 1;
}
