#include "platform/internet_route.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ombrix {
namespace {

// Documentation addresses (RFC 5737, RFC 3849): no network holds them, so
// the kernel answers with the route that internet traffic takes.
constexpr const char* kProbeV4 = "192.0.2.1";
constexpr const char* kProbeV6 = "2001:db8::1";

constexpr std::size_t kBufferBytes = 16384;

struct RouteRequest {
    nlmsghdr header;
    rtmsg route;
    std::array<char, 64> attributes;
};

void addAttribute(RouteRequest& request, unsigned short type, const void* data,
                  std::size_t length) {
    auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) +
                                                NLMSG_ALIGN(request.header.nlmsg_len));
    attribute->rta_type = type;
    attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(length));
    std::memcpy(RTA_DATA(attribute), data, length);
    request.header.nlmsg_len =
        NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

InternetRoute readRoute(const nlmsghdr* header, int family) {
    InternetRoute route;
    route.family = family;
    const auto* message = static_cast<const rtmsg*>(NLMSG_DATA(header));
    int length = static_cast<int>(RTM_PAYLOAD(header));
    for (const rtattr* attribute = RTM_RTA(message); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        const char* data = static_cast<const char*>(RTA_DATA(attribute));
        const std::size_t size = RTA_PAYLOAD(attribute);
        if (attribute->rta_type == RTA_OIF && size >= sizeof(int))
            std::memcpy(&route.interfaceIndex, data, sizeof(int));
        else if (attribute->rta_type == RTA_GATEWAY)
            route.gateway.assign(data, size);
        else if (attribute->rta_type == RTA_PREFSRC)
            route.source.assign(data, size);
    }
    return route;
}

// The kernel's look-up for one probe address; false when it has no route.
bool lookUp(int family, const char* probe, InternetRoute& route) {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return false;
    RouteRequest request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.route.rtm_family = static_cast<unsigned char>(family);
    std::array<unsigned char, 16> address{};
    inet_pton(family, probe, address.data());
    const std::size_t addressBytes = family == AF_INET ? 4 : 16;
    request.route.rtm_dst_len = static_cast<unsigned char>(addressBytes * 8);
    addAttribute(request, RTA_DST, address.data(), addressBytes);
    bool found = false;
    std::array<char, kBufferBytes> buffer{};
    timeval timeout{1, 0}; // the kernel answers at once; this only guards
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (send(fd, &request, request.header.nlmsg_len, 0) >= 0) {
        const ssize_t received = recv(fd, buffer.data(), buffer.size(), 0);
        const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
        if (received > 0 && NLMSG_OK(header, static_cast<unsigned>(received)) &&
            header->nlmsg_type == RTM_NEWROUTE) {
            route = readRoute(header, family);
            found = true;
        }
    }
    close(fd);
    return found;
}

} // namespace

std::vector<InternetRoute> internetRoutes() {
    std::vector<InternetRoute> routes;
    InternetRoute route;
    if (lookUp(AF_INET, kProbeV4, route))
        routes.push_back(route);
    if (lookUp(AF_INET6, kProbeV6, route))
        routes.push_back(route);
    return routes;
}

RouteChangeSocket::RouteChangeSocket() {
    fd_ = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd_ < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_IPV4_IFADDR |
                      RTMGRP_IPV6_IFADDR | RTMGRP_LINK;
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        close(fd_);
        fd_ = -1;
    }
}

RouteChangeSocket::~RouteChangeSocket() {
    if (fd_ >= 0)
        close(fd_);
}

bool RouteChangeSocket::takeChanges() {
    bool changed = false;
    std::array<char, kBufferBytes> buffer{};
    for (;;) {
        const ssize_t received = recv(fd_, buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == ENOBUFS) {
            changed = true; // changes were dropped: one of them may have been a route's
            continue;
        }
        if (received <= 0)
            return changed;
        auto length = static_cast<unsigned>(received);
        for (const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
             NLMSG_OK(header, length); header = NLMSG_NEXT(header, length))
            changed = changed || header->nlmsg_type != NLMSG_NOOP;
    }
}

} // namespace ombrix
