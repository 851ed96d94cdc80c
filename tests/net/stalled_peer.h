#pragma once
// Peers that never get anywhere, for the bounds of connect and send: a
// listener on 127.0.0.1 (port 0) that never accepts, so the kernel completes
// the TCP connect and then nothing ever reads or answers; and one whose accept
// queue is already full, so a further connect is never answered at all.

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ombrix::test {

class StalledPeer {
public:
    // backlog 0 keeps the accept queue at its shortest.
    explicit StalledPeer(int backlog = 16) {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listenFd_ < 0 ||
            ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listenFd_, backlog) != 0 ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on the loopback interface");
        }
        port_ = ntohs(address.sin_port);
    }
    ~StalledPeer() {
        for (int fd : fillers_) {
            ::close(fd);
        }
        ::close(listenFd_);
    }
    StalledPeer(const StalledPeer&) = delete;
    StalledPeer& operator=(const StalledPeer&) = delete;

    std::string port() const { return std::to_string(port_); }

    // Connects (blocking) `count` times, then waits until the kernel has put
    // every one of them into the accept queue; false if it never does.
    bool fillAcceptQueue(int count) {
        connectFillers(count);
        return waitUntilQueued(count);
    }

    // Waits until the accept queue holds `count` connections; false if it never does.
    bool waitUntilQueued(int count) const {
        // For a listening socket the kernel reports its accept queue's length here.
        for (int probe = 0; probe < 10000000; ++probe) {
            tcp_info info{};
            socklen_t length = sizeof info;
            if (::getsockopt(listenFd_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) {
                return false;
            }
            if (info.tcpi_unacked >= static_cast<std::uint32_t>(count)) {
                return true;
            }
            std::this_thread::yield();
        }
        return false;
    }

private:
    void connectFillers(int count) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        for (int i = 0; i < count; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::close(fd);
                throw std::runtime_error("cannot fill the accept queue");
            }
            fillers_.push_back(fd);
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

} // namespace ombrix::test
