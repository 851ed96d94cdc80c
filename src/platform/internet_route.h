#pragma once
// The way out to the internet as the kernel routes it now (rtnetlink): the
// outgoing interface, gateway and source address of the route that traffic
// to a public address takes, per address family, and a socket that wakes up
// when routes or addresses change. Linux only; without rtnetlink both stay
// empty.

#include <string>
#include <vector>

namespace ombrix {

struct InternetRoute {
    int family = 0; // AF_INET or AF_INET6
    int interfaceIndex = 0;
    std::string gateway; // address bytes; empty for a direct link
    std::string source;

    bool operator==(const InternetRoute&) const = default;
};

// The kernel's answer for each family that has a route to the internet
// (none while offline). Asks afresh each time.
std::vector<InternetRoute> internetRoutes();

// A netlink socket subscribed to the kernel's route and address changes.
class RouteChangeSocket {
public:
    RouteChangeSocket();
    ~RouteChangeSocket();
    RouteChangeSocket(const RouteChangeSocket&) = delete;
    RouteChangeSocket& operator=(const RouteChangeSocket&) = delete;

    // The descriptor to wait on for reading; -1 when none could be opened.
    int fd() const { return fd_; }
    // Reads what is pending without waiting; true when any of it was a
    // change of a route or an address.
    bool takeChanges();

private:
    int fd_ = -1;
};

} // namespace ombrix
