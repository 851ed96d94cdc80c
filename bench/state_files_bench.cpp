// Save and load of a full account table: 20 accounts of 3000 mails, each with
// a body preview of 2000 bytes, as the window saves them after a check run.
// The load runs in a fresh process, as at start-up: a heap that the save had
// already touched would hide what filling new memory costs.

#include "config/program_directory.h"
#include "config/state_store.h"
#include "full_table.h"
#include "load_average.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

double millisecondsOf(auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The second process: times the load alone.
int load(const char* directory) {
    using namespace ombrix;
    programDirectory = directory;
    const double load = millisecondsOf([] { loadState(); });
    const double unchanged = millisecondsOf([] { saveState(SaveKind::MailListFile); });
    std::printf("load %.0f ms (%u accounts), saving it unchanged %.0f ms (load average %.1f)\n",
                load, accountCount, unchanged, bench::loadAverage());
    return accountCount == kMaxAccounts ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace ombrix;
    if (argc == 3 && std::string(argv[1]) == "--load")
        return load(argv[2]);
    char pattern[] = "/tmp/ombrix-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    programDirectory = pattern;
    bench::fillFullTable("imap.example.org", "993");
    const double save = millisecondsOf([] { saveAllState(); });
    const auto bytes = std::filesystem::file_size(std::filesystem::path(pattern) / "obx.msf");
    std::printf("obx.msf %.1f MB, save all three files %.0f ms, ", static_cast<double>(bytes) / 1e6,
                save);
    std::fflush(stdout);
    const std::string command = "'" + std::string(argv[0]) + "' --load " + pattern;
    const int status = std::system(command.c_str());
    std::filesystem::remove_all(pattern);
    return status == 0 ? 0 : 1;
}
