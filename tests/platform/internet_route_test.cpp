// The kernel's way out to the internet, in a network namespace of its own
// (CTest starts the program under `unshare --user --map-root-user --net`),
// where the test adds links and routes as Wi-Fi, cable and a VPN would.

#include "platform/internet_route.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <net/if.h>
#include <poll.h>
#include <string>

namespace ombrix {
namespace {

bool run(const std::string& command) {
    return std::system((command + " 2>&1").c_str()) == 0;
}

// Failure guard only: the kernel's notice comes at once.
bool readable(int fd) {
    pollfd wait{fd, POLLIN, 0};
    return poll(&wait, 1, 10000) == 1;
}

// A link with an address on it, up at both ends.
bool addLink(const std::string& name, const std::string& address) {
    return run("ip link add " + name + " type veth peer name " + name + "p") &&
           run("ip link set " + name + "p up") && run("ip link set " + name + " up") &&
           run("ip addr add " + address + " dev " + name);
}

int wayOut() {
    const std::vector<InternetRoute> routes = internetRoutes();
    return routes.size() == 1 ? routes[0].interfaceIndex : -1;
}

TEST(InternetRoute, TheWayOutFollowsEveryChangeOfTheDefaultRoute) {
    if (!run("ip link set lo up"))
        GTEST_SKIP() << "not in a network namespace of its own";
    ASSERT_TRUE(addLink("wifi0", "10.1.0.2/24"));
    ASSERT_TRUE(addLink("cable0", "10.2.0.2/24"));
    ASSERT_TRUE(addLink("vpn0", "10.8.0.2/24"));
    EXPECT_TRUE(internetRoutes().empty()) << "no default route: offline";

    RouteChangeSocket changes;
    ASSERT_GE(changes.fd(), 0);
    EXPECT_FALSE(changes.takeChanges()) << "nothing changed since it opened";

    ASSERT_TRUE(run("ip route add default via 10.1.0.1 dev wifi0 metric 600"));
    ASSERT_TRUE(readable(changes.fd()));
    EXPECT_TRUE(changes.takeChanges());
    EXPECT_EQ(wayOut(), static_cast<int>(if_nametoindex("wifi0")));

    ASSERT_TRUE(run("ip route add default via 10.2.0.1 dev cable0 metric 100"));
    ASSERT_TRUE(readable(changes.fd()));
    EXPECT_TRUE(changes.takeChanges());
    EXPECT_EQ(wayOut(), static_cast<int>(if_nametoindex("cable0"))) << "the cable is preferred";

    // A VPN in two halves leaves the default route as it is.
    ASSERT_TRUE(run("ip route add 0.0.0.0/1 dev vpn0 && ip route add 128.0.0.0/1 dev vpn0"));
    ASSERT_TRUE(readable(changes.fd()));
    EXPECT_TRUE(changes.takeChanges());
    const std::vector<InternetRoute> routes = internetRoutes();
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes[0].interfaceIndex, static_cast<int>(if_nametoindex("vpn0")));
    EXPECT_TRUE(routes[0].gateway.empty()) << "a direct link";
    EXPECT_EQ(routes[0].source.size(), 4u) << "the VPN's own address";
}

} // namespace
} // namespace ombrix
