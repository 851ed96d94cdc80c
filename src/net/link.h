#pragma once
// One TCP stream to a mail server, optionally under TLS. open() runs on the
// resolver thread, readSome() on the reader thread, writeAll() on the caller's
// thread; cancel() may come from any thread and ends every blocked or later
// operation, so no thread ever has to be killed.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct addrinfo;

namespace ombrix {

class TlsSession;

class Link {
public:
    Link();
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Resolves host (IPv4 and IPv6), connects to its addresses in order, then
    // runs the TLS hand-shake when useTls. Blocks; false with failureReason().
    // Runs on the resolver thread.
    bool open(const std::string& host, const std::string& port, bool useTls);
    // One read of at most capacity bytes; 0 at end of stream, on error or after
    // cancel(). Runs on the reader thread.
    std::size_t readSome(char* buffer, std::size_t capacity);
    // Sends every byte unless the stream fails or is cancelled; the outcome is
    // not reported, as the callers learn of a dead stream from a missing reply.
    void writeAll(std::string_view bytes);
    // Sends the TLS close notification, if any; the stream stays open.
    void notifyClose();
    void cancel();
    // Why open() failed; written before open() returns.
    const std::string& failureReason() const { return failureReason_; }

private:
    enum class Readiness { Ready, Cancelled };
    Readiness waitUntil(short events);
    bool connectTo(const ::addrinfo& address);
    bool handshake(const std::string& host);
    void writePlain(std::string_view bytes);
    void writeTls(std::string_view bytes);

    int fd_ = -1;
    int wakeFd_ = -1;
    std::atomic<bool> cancelled_{false};
    std::unique_ptr<TlsSession> tls_;
    std::mutex tlsMutex_; // a TLS session must not be used by two threads at once
    std::string failureReason_;
};

} // namespace ombrix
