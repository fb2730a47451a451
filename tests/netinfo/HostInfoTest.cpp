#include "netinfo/HostInfo.h"
#include "netinfo/NetCommands.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

namespace hozonix::test {
namespace {

using netinfo::HostLookup;
using Lines = std::vector<std::string>;

TEST(HostInfo, MatchesGethostnameAndTheResolver) {
    char name[256] = {};
    ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
    EXPECT_EQ(netinfo::LocalHostName(), name);

    // The older resolver call is an independent witness for name and first address.
    // A loopback address gives way to the default route's address, when the machine has one.
    const std::string routed = netinfo::ThisMachinesRouteAddress();
    Lines expected;
    if (const hostent* h = gethostbyname(name);
        h != nullptr && h->h_addrtype == AF_INET && h->h_addr_list[0]) {
        char address[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, h->h_addr_list[0], address, sizeof address);
        const bool loopback = std::string(address).rfind("127.", 0) == 0;
        expected = {std::string("HOSTNAME = ") + h->h_name,
                    std::string("Local IP = ") + (loopback && !routed.empty() ? routed : address)};
    }
    Lines lines = netinfo::HostInfoLines(name);
    ASSERT_EQ(lines.size(), 2u);
    if (!expected.empty())
        EXPECT_EQ(lines, expected);
    else
        EXPECT_EQ(lines[1].rfind("Local IP = (", 0), 0u) << lines[1];

    EXPECT_EQ(netinfo::HostInfoLines("localhost")[1],
              "Local IP = " + (routed.empty() ? "127.0.0.1" : routed));
}

TEST(HostInfo, ALoopbackAddressGivesWayToTheDefaultRoutesAddress) {
    struct Case {
        std::string resolved;
        std::string routed;
        std::string shown;
    } cases[] = {
        {"127.0.1.1", "192.168.1.20", "192.168.1.20"}, // Debian's entry for the host name
        {"127.0.0.1", "2001:db8::5", "2001:db8::5"},   // only an IPv6 default route
        {"127.0.1.1", "", "127.0.1.1"},                // no default route: what the name gave
        {"10.0.0.5", "192.168.1.20", "10.0.0.5"},      // a real address is kept
    };
    for (const Case& c : cases) {
        int routeAsked = 0;
        Lines lines = netinfo::HostInfoLines(
            "pc1",
            [&](const std::string&) {
                return HostLookup{0, "pc1", c.resolved};
            },
            [&] {
                ++routeAsked;
                return c.routed;
            });
        EXPECT_EQ(lines, (Lines{"HOSTNAME = pc1", "Local IP = " + c.shown})) << c.resolved;
        EXPECT_EQ(routeAsked, c.resolved.rfind("127.", 0) == 0 ? 1 : 0) << c.resolved;
    }
}

TEST(HostInfo, TheDefaultRouteIsFoundInTheRouteTablesIPv4First) {
    const std::string v4Header =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const std::string wifiAndCable = v4Header +
                                     "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                                     "eth0\t00000000\t0100000A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                                     "eth0\t0000000A\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";
    const std::string onlyLocal = v4Header + "eth0\t0000000A\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";
    const std::string downDefault = v4Header + "eth0\t00000000\t0100000A\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
    const std::string v6 = "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                           "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n"
                           "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
                           "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth1\n"
                           "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                           "fe800000000000000000000000000001 00000400 00000002 00000000 00000003     eth1\n";
    const std::vector<netinfo::InterfaceAddress> addresses = {
        {"lo", false, "127.0.0.1"},        {"eth0", false, "10.0.0.5"},   {"wlan0", false, "192.168.1.20"},
        {"eth1", true, "fe80::1:2ff:fe3"}, {"eth1", true, "2001:db8::5"}, {"lo", true, "::1"},
    };
    struct Case {
        std::string v4;
        std::string v6;
        std::string address;
    } cases[] = {
        {wifiAndCable, v6, "10.0.0.5"}, // the lower metric; IPv4 before IPv6
        {onlyLocal, v6, "2001:db8::5"}, // no IPv4 default route: the IPv6 one's global address
        {downDefault, "", ""},          // a route that is not up is no route
        {onlyLocal, "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(netinfo::DefaultRouteAddress(c.v4, c.v6, addresses), c.address) << c.address;
}

TEST(HostInfo, SaysWhenThereIsNoAddress) {
    struct Case {
        HostLookup found;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {{0, "pc1.example.lan", "192.168.1.20"}, {"HOSTNAME = pc1.example.lan", "Local IP = 192.168.1.20"}},
        {{0, "", "10.0.0.5"}, {"HOSTNAME = pc1", "Local IP = 10.0.0.5"}},
        {{0, "pc1.example.lan", ""},
         {"HOSTNAME = pc1.example.lan", "Local IP = (IPv4 アドレスがありません)"}},
        {{EAI_NODATA, "", ""}, {"HOSTNAME = pc1", "Local IP = (IPv4 アドレスがありません)"}},
        {{EAI_NONAME, "", ""},
         {"HOSTNAME = pc1",
          "Local IP = (名前を解決できません: " + std::string(gai_strerror(EAI_NONAME)) + ")"}},
    };
    for (const Case& c : cases) {
        std::string asked;
        Lines lines = netinfo::HostInfoLines("pc1", [&](const std::string& n) {
            asked = n;
            return c.found;
        });
        EXPECT_EQ(asked, "pc1");
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(HostInfo, NetPCReplacesInfoLinesAndShowsThem) {
    Lines infoLines = {"RemoteName:smb://OLD, Provider:SMB", "--- Enum end ---"};
    std::string title;
    Lines shown;
    netinfo::ShowHostAddress(
        infoLines,
        [&](const std::string& t, const Lines& l) {
            title = t;
            shown = l;
        },
        "pc1",
        [](const std::string&) {
            return HostLookup{0, "pc1.lan", "10.1.2.3"};
        });
    EXPECT_EQ(title, "このマシンのIPアドレス");
    EXPECT_EQ(infoLines, (Lines{"HOSTNAME = pc1.lan", "Local IP = 10.1.2.3"}));
    EXPECT_EQ(shown, infoLines);
}

} // namespace
} // namespace hozonix::test
