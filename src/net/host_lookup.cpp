#include "net/host_lookup.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

namespace ombrix {
namespace {

// The resolver state is per thread: its time-out and retry count bound each
// name-server query of this thread (search-list variants are asked one after
// another, so a short name may take a few budgets).
void capNameServerWait(std::uint32_t budgetMs) {
    if (res_init() != 0) {
        return;
    }
    const int servers = std::max(1, _res.nscount);
    _res.retrans = std::max(1, static_cast<int>(budgetMs / 1000) / servers);
    _res.retry = 1;
}

std::string lookupFailureText(int status) {
    switch (status) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
        return "host not found";
    default:
        return gai_strerror(status);
    }
}

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() {
        if (head) {
            freeaddrinfo(head);
        }
    }
};

} // namespace

std::optional<SocketAddress> addressLiteral(const std::string& host, std::uint16_t port) {
    SocketAddress address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.bytes);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.bytes);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        address.length = sizeof(sockaddr_in);
        return address;
    }
    if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        address.length = sizeof(sockaddr_in6);
        return address;
    }
    return std::nullopt;
}

HostLookup::HostLookup(std::string host, std::uint16_t port, std::uint32_t budgetMs,
                       EventHandle finished)
    : finished_(std::move(finished)), thread_([this, host = std::move(host), port, budgetMs] {
          resolve(host, port, budgetMs);
          finished_->set();
      }) {}

HostLookup::~HostLookup() {
    thread_.join();
}

void HostLookup::resolve(const std::string& host, std::uint16_t port, std::uint32_t budgetMs) {
    capNameServerWait(budgetMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList list;
    const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list.head);
    if (status != 0) {
        failureReason_ = lookupFailureText(status);
        return;
    }
    for (const addrinfo* entry = list.head; entry; entry = entry->ai_next) {
        SocketAddress address;
        address.length = std::min<socklen_t>(entry->ai_addrlen, sizeof address.bytes);
        std::memcpy(&address.bytes, entry->ai_addr, address.length);
        addresses_.push_back(address);
    }
}

} // namespace ombrix
