#pragma once
// Name resolution on a thread of its own, so that a slow name server never
// holds a connect past its time-out or an abort. The thread touches nothing
// but the lookup's own members; its owner joins it, and the name server's
// wait inside it is capped by the budget it is given, so the join is bounded
// too.

#include "platform/event.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace ombrix {

struct SocketAddress {
    sockaddr_storage bytes{};
    socklen_t length = 0;
};

// The address when host is an IPv4 or IPv6 address in its usual text form,
// which needs no name service and no thread to wait for; none for a name.
std::optional<SocketAddress> addressLiteral(const std::string& host, std::uint16_t port);

class HostLookup {
public:
    // Starts resolving host (IPv4 and IPv6) for the TCP port; sets `finished`
    // when done. The name server is asked for at most about budgetMs.
    HostLookup(std::string host, std::uint16_t port, std::uint32_t budgetMs, EventHandle finished);
    ~HostLookup(); // joins the thread
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    bool finished() const { return finished_->isSet(); }
    // Valid once finished: the addresses in the resolver's order, or none and
    // failureReason() ("host not found" for a name that does not exist).
    const std::vector<SocketAddress>& addresses() const { return addresses_; }
    const std::string& failureReason() const { return failureReason_; }

private:
    // Runs on the lookup's own thread.
    void resolve(const std::string& host, std::uint16_t port, std::uint32_t budgetMs);

    EventHandle finished_;
    std::vector<SocketAddress> addresses_;
    std::string failureReason_;
    std::thread thread_; // last: starts once the members above exist
};

} // namespace ombrix
