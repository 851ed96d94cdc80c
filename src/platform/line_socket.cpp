#include "platform/line_socket.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ombrix {
namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, millisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool connectTo(int fd, const std::string& path, Clock::time_point deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EAGAIN)
        return false;
    int error = 0;
    socklen_t length = sizeof(error);
    return waitFor(fd, POLLOUT, deadline) &&
           ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool writeAll(int fd, const std::string& line, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < line.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            sent += static_cast<std::size_t>(n);
    }
    return true;
}

// The server closes once it has the request; anything it writes is ignored.
bool waitForClose(int fd, Clock::time_point deadline) {
    char scrap[256];
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t n = ::recv(fd, scrap, sizeof(scrap), 0);
        if (n == 0)
            return true;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return errno == ECONNRESET;
    }
}

} // namespace

bool sendLineToSocket(const std::string& path, const std::string& line, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.get() < 0)
        return false;
    return connectTo(socket.get(), path, deadline) && writeAll(socket.get(), line, deadline) &&
           waitForClose(socket.get(), deadline);
}

} // namespace ombrix
