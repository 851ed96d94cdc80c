#include "net/protocol_log.h"

#include "platform/ascii.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace ombrix::protocol_log {
namespace {

// "PASS secret" and "a001 LOGIN user secret" keep their verb, never the rest.
std::string masked(std::string_view line) {
    std::string head = asciiUppercase(line.substr(0, 64));
    std::size_t verb = head.rfind("PASS ", 0) == 0 ? 0 : head.find(" LOGIN ");
    if (verb == std::string::npos) {
        return std::string(line);
    }
    std::size_t argumentsStart = head.find(' ', verb == 0 ? 0 : verb + 1) + 1;
    std::string result(line.substr(0, argumentsStart));
    result += "****";
    if (line.ends_with("\r\n")) {
        result += "\r\n";
    }
    return result;
}

const char* logPath() {
    const char* path = std::getenv("OMBRIX_PROTOCOL_LOG");
    return path && *path ? path : nullptr;
}

// The transcript holds mail and user names: only its owner may read it.
std::FILE* openPrivately(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "ab");
    if (!file) {
        ::close(fd);
    }
    return file;
}

void append(const char* prefix, std::string_view bytes) {
    const char* path = logPath();
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (std::FILE* file = openPrivately(path)) {
        std::fputs(prefix, file);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        if (!bytes.ends_with('\n')) {
            std::fputc('\n', file);
        }
        std::fclose(file);
    }
}

} // namespace

void sent(std::string_view line) {
    if (logPath()) {
        append("C: ", masked(line));
    }
}

void received(std::string_view chunk) {
    if (logPath()) {
        append("S: ", chunk);
    }
}

void note(std::string_view text) {
    if (logPath()) {
        append("* ", text);
    }
}

} // namespace ombrix::protocol_log
