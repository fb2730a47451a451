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
    Lines expected;
    if (const hostent* h = gethostbyname(name);
        h != nullptr && h->h_addrtype == AF_INET && h->h_addr_list[0]) {
        char address[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, h->h_addr_list[0], address, sizeof address);
        expected = {std::string("HOSTNAME = ") + h->h_name, std::string("Local IP = ") + address};
    }
    Lines lines = netinfo::HostInfoLines(name);
    ASSERT_EQ(lines.size(), 2u);
    if (!expected.empty())
        EXPECT_EQ(lines, expected);
    else
        EXPECT_EQ(lines[1].rfind("Local IP = (", 0), 0u) << lines[1];

    EXPECT_EQ(netinfo::HostInfoLines("localhost")[1], "Local IP = 127.0.0.1");
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
