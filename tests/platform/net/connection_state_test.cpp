// The connection rule over route tables.
#include <gtest/gtest.h>

#include "platform/net/net_testing.h"

namespace {

const char* ipv4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const char* ipv4Default = "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
const char* ipv4Subnet = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
const char* ipv6Default =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 "
    "00000400 00000002 00000000 00000003     eth0\n";
// The kernel's unreachable default on loopback (RTF_REJECT).
const char* ipv6Reject =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 "
    "ffffffff 00000001 00000000 00200200       lo\n";

bool onlyEth0(std::string_view name) {
    return name == "eth0";
}
bool none(std::string_view) {
    return false;
}

}  // namespace

TEST(ConnectionState, NeedsADefaultRouteThroughAUsableInterface) {
    std::string v4 = std::string(ipv4Header) + ipv4Default + ipv4Subnet;
    EXPECT_TRUE(net::hasDefaultRoute(v4, "", onlyEth0));
    EXPECT_FALSE(net::hasDefaultRoute(v4, "", none));  // eth0 down
    EXPECT_FALSE(net::hasDefaultRoute(std::string(ipv4Header) + ipv4Subnet, ipv6Reject, onlyEth0));
    EXPECT_TRUE(net::hasDefaultRoute(ipv4Header, std::string(ipv6Reject) + ipv6Default, onlyEth0));
    EXPECT_FALSE(net::hasDefaultRoute(ipv4Header, ipv6Reject, [](std::string_view) { return true; }));
    EXPECT_FALSE(net::hasDefaultRoute("", "", onlyEth0));
    EXPECT_FALSE(net::hasDefaultRoute("garbage\n\n\t\t", "x y\n", onlyEth0));
}
