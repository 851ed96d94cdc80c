#include "net/protocol_log.h"

#include "platform/ascii.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace ombrix::protocol_log {
namespace {

// The end of the word that begins at `from` in head, and the blank after
// it; npos when no blank follows (nothing comes after the word).
std::size_t afterWord(const std::string& head, std::size_t from) {
    const std::size_t blank = head.find(' ', from);
    return blank == std::string::npos ? blank : blank + 1;
}

// Where the credential of a line begins: after "PASS ", after the verb of
// "a001 LOGIN ", after the mechanism of "AUTH XOAUTH2 " and "a001 AUTHENTICATE
// OAUTHBEARER " (their initial response). npos for a line without one.
std::size_t credentialStart(const std::string& head) {
    if (head.rfind("PASS ", 0) == 0) {
        return 5;
    }
    if (head.rfind("AUTH ", 0) == 0) {
        return afterWord(head, 5);
    }
    if (const std::size_t verb = head.find(" LOGIN "); verb != std::string::npos) {
        return verb + 7;
    }
    if (const std::size_t verb = head.find(" AUTHENTICATE "); verb != std::string::npos) {
        return afterWord(head, verb + 14);
    }
    return std::string::npos;
}

// "PASS secret", "a001 LOGIN user secret" and SASL commands keep their verb
// (and mechanism), never the rest.
std::string masked(std::string_view line) {
    const std::size_t start = credentialStart(asciiUppercase(line.substr(0, 64)));
    if (start == std::string::npos || start >= line.size()) {
        return std::string(line);
    }
    std::string result(line.substr(0, start));
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

void sent(std::string_view lines) {
    if (!logPath()) {
        return;
    }
    // Pipelined commands go out in one send: each is a line of the log, and
    // each is masked on its own, so no credential hides behind another line.
    while (!lines.empty()) {
        const std::size_t end = std::min(lines.find('\n'), lines.size() - 1) + 1;
        append("C: ", masked(lines.substr(0, end)));
        lines.remove_prefix(end);
    }
}

void sentCredential() {
    if (logPath()) {
        append("C: ", "****\r\n");
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
