// The command line as a status bar or a timer runs it, timed as whole
// processes from exec to exit: --accounts and --unread over the largest table
// (20 accounts of 3000 mails), and, with a test Dovecot, --check of an
// account whose 3000 mails the last check already listed. Beside the wall
// time: CPU time, peak resident memory and the bytes the process read (the
// mail lists are about 130 MB of them, so a command that reads none shows).
//
//   cli_bench [path/to/ombrix] [--repeat 5] [--server DIR --user U [--imap]]
//
// The user's mailbox should hold 3000 mails (scripts/mailbox-tool DIR U
// fill 3000 bench); the first check, which lists them all, is not timed.

#include "config/program_directory.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "full_table.h"
#include "key_values.h"
#include "load_average.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    double peakRssMb = 0;
    double readMb = 0;
    int status = -1;
};

// The bytes a process that has ended, but is not yet reaped, read.
double readMbOf(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    for (std::string line; std::getline(io, line);)
        if (line.starts_with("rchar:"))
            return std::strtod(line.c_str() + 6, nullptr) / 1e6;
    return -1;
}

double msOf(const timeval& t) {
    return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
}

Run runOnce(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    const auto began = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    siginfo_t info{};
    waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    run.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
    run.readMb = readMbOf(pid);
    rusage usage{};
    wait4(pid, &run.status, 0, &usage);
    run.cpuMs = msOf(usage.ru_utime) + msOf(usage.ru_stime);
    run.peakRssMb = double(usage.ru_maxrss) / 1024.0;
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A process forked from this one starts with this one's memory counted as
// its peak: the bench holds a full table. So a fresh small process of this
// program (--timed) forks the command and reports what it measured.
std::string self;

Run runTimed(const std::vector<std::string>& command) {
    std::string line = "'" + self + "' --timed";
    for (const std::string& part : command)
        line += " '" + part + "'";
    Run run;
    if (FILE* timer = popen(line.c_str(), "r")) {
        if (std::fscanf(timer, "%lf %lf %lf %lf %d", &run.wallMs, &run.cpuMs, &run.peakRssMb,
                        &run.readMb, &run.status) != 5)
            run.status = -1;
        pclose(timer);
    }
    return run;
}

int timed(int argc, char** argv) {
    const Run run = runOnce(std::vector<std::string>(argv + 2, argv + argc));
    std::printf("%f %f %f %f %d\n", run.wallMs, run.cpuMs, run.peakRssMb, run.readMb, run.status);
    return 0;
}

bool report(const char* what, const std::vector<std::string>& command, int repeat) {
    const double loadBefore = ombrix::bench::loadAverage();
    std::vector<double> wall, cpu, rss, read;
    for (int i = 0; i < repeat; ++i) {
        const Run run = runTimed(command);
        if (!WIFEXITED(run.status) || (WEXITSTATUS(run.status) != 0)) {
            std::fprintf(stderr, "%s: exit status %d\n", what, run.status);
            return false;
        }
        wall.push_back(run.wallMs);
        cpu.push_back(run.cpuMs);
        rss.push_back(run.peakRssMb);
        read.push_back(run.readMb);
    }
    std::printf("%-34s %6.0f ms (CPU %4.0f ms), peak RSS %4.0f MiB, read %6.1f MB (medians of %d, "
                "load average %.1f to %.1f)\n",
                what, median(wall), median(cpu), median(rss), median(read), repeat, loadBefore,
                ombrix::bench::loadAverage());
    std::fflush(stdout);
    return true;
}

using ombrix::bench::readKeyValues;

struct Options {
    std::string program;
    int repeat = 5;
    std::string serverDir;
    std::string user;
    bool imap = false;
};

Options parse(int argc, char** argv) {
    Options options;
    const auto build = std::filesystem::absolute(argv[0]).parent_path().parent_path();
    options.program = (build / "src" / "app" / "ombrix").string();
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const auto value = [&]() -> std::string {
            if (k + 1 >= argc)
                throw std::runtime_error(arg + " needs a value");
            return argv[++k];
        };
        if (arg == "--repeat")
            options.repeat = std::max(1, std::stoi(value()));
        else if (arg == "--server")
            options.serverDir = value();
        else if (arg == "--user")
            options.user = value();
        else if (arg == "--imap")
            options.imap = true;
        else if (!arg.starts_with("--"))
            options.program = arg;
        else
            throw std::runtime_error("unknown argument " + arg);
    }
    if (options.serverDir.empty() != options.user.empty())
        throw std::runtime_error("--server and --user go together");
    return options;
}

std::string freshDirectory() {
    char pattern[] = "/tmp/ombrix-cli-bench-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("no temporary directory");
    return pattern;
}

bool fullTable(const Options& options) {
    using namespace ombrix;
    const std::string directory = freshDirectory();
    programDirectory = directory;
    bench::fillFullTable("imap.example.org", "993");
    saveAllState();
    const std::vector<std::string> base{options.program, "--dir", directory};
    bool ok =
        report("20 x 3000: --accounts", {base[0], base[1], base[2], "--accounts"}, options.repeat);
    ok = report("20 x 3000: --unread", {base[0], base[1], base[2], "--unread"}, options.repeat) &&
         ok;
    std::filesystem::remove_all(directory);
    return ok;
}

bool unchangedCheck(const Options& options) {
    using namespace ombrix;
    const auto env = readKeyValues(options.serverDir + "/server.env", '=');
    const auto passwords = readKeyValues(env.at("USERS_FILE"), '\t');
    const std::string directory = freshDirectory();
    programDirectory = directory;
    for (auto& a : accounts)
        clearAccount(a);
    AccountRecord& a = accounts[0];
    a.name = "bench";
    a.host = env.at("HOST");
    a.user = options.user;
    a.password = passwords.at(options.user);
    a.protocol = options.imap ? 1 : 0;
    a.port = env.at(options.imap ? "IMAP_PORT" : "POP3_PORT");
    accountCount = 1;
    saveAllState();
    const std::vector<std::string> command{options.program, "--dir", directory, "--check"};
    bool ok = runTimed(command).status == 0; // the first check lists every mail
    const auto msf = std::filesystem::path(directory) / "obx.msf";
    std::printf("obx.msf of the account: %.1f MB\n", double(std::filesystem::file_size(msf)) / 1e6);
    ok = ok && report(options.imap ? "unchanged IMAP account: --check"
                                   : "unchanged POP3 account: --check",
                      command, options.repeat);
    std::filesystem::remove_all(directory);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--timed")
        return timed(argc, argv);
    self = std::filesystem::absolute(argv[0]).string();
    try {
        const Options options = parse(argc, argv);
        bool ok = fullTable(options);
        if (!options.serverDir.empty())
            ok = unchangedCheck(options) && ok;
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cli_bench: %s\n", e.what());
        return 2;
    }
}
