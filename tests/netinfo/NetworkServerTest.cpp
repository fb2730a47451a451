#include "netinfo/NetworkServer.h"
#include "netinfo/NetworkShares.h"

#include "ScriptedNetProvider.h"

#include <gtest/gtest.h>

namespace hozonix::test {
namespace {

TEST(NetworkServer, AddressesAndTheirHosts) {
    struct Case {
        std::string scheme;
        std::string host;
        int port;
        int defaultPort;
        std::string user;
        std::string path;
        std::string url;
    };
    const std::vector<Case> cases = {
        {"smb", "nas.local", 445, 445, "", "", "smb://nas.local/"},
        {"smb", "nas.local", 4450, 445, "", "", "smb://nas.local:4450/"},
        {"smb", "10.0.0.5", 0, 445, "", "", "smb://10.0.0.5/"},
        {"sftp", "nas.local", 22, 22, "alice", "", "sftp://alice@nas.local/"},
        {"davs", "nas.local", 443, 443, "", "dav", "davs://nas.local/dav/"},
        {"dav", "fe80::1%eth0", 8080, 80, "a b@c", "/my files/",
         "dav://a%20b%40c@[fe80::1%25eth0]:8080/my%20files/"},
        {"dav", "x/y@z:1", 80, 80, "", "../a?b#c", "dav://x%2Fy%40z%3A1/../a%3Fb%23c/"},
    };
    for (const Case& c : cases) {
        const std::string url = netinfo::ServerUrl(c.scheme, c.host, c.port, c.defaultPort, c.user, c.path);
        EXPECT_EQ(url, c.url);
        EXPECT_EQ(netinfo::UrlHost(url), c.host) << url;
    }
    // The SMB1 browse list's own form.
    EXPECT_EQ(netinfo::UrlHost("smb://FILESRV"), "FILESRV");
    EXPECT_EQ(netinfo::UrlHost("smb://my%20pc/share"), "my pc");
}

} // namespace
} // namespace hozonix::test

TEST(NetworkServer, TheBrowsersNetworkPlaceListsSharesAndTheServersThatArePlacesOnce) {
    using hozonix::netinfo::NetResource;
    auto entry = [](const std::string& address, int display, int usage, int type = 1) {
        NetResource r;
        r.RemoteName = address;
        r.DisplayType = display;
        r.Usage = usage;
        r.Type = type;
        return r;
    };
    hozonix::test::ScriptedNetProvider tree;
    tree.levels[""] = {0, {{0, {entry("DNS-SD", 6, 2), entry("WSD", 6, 2)}}}, 0};
    tree.levels["DNS-SD"] = {0,
                             {{0,
                               {entry("smb://nas.local/", 2, 2), entry("sftp://me@nas.local/", 2, 1),
                                entry("smb://dead/", 2, 2)}}},
                             0};
    tree.levels["smb://nas.local/"] = {
        0, {{0, {entry("smb://nas.local/my%20photos", 3, 1), entry("smb://nas.local/laser", 3, 1, 2)}}}, 0};
    tree.levels["smb://dead/"] = {111, {}, 0};
    // The same server seen by another service is a leaf there, and its share is not listed twice.
    tree.levels["WSD"] = {0, {{0, {entry("smb://nas.local/", 2, 1), entry("smb://pc/", 2, 2)}}}, 0};
    tree.levels["smb://pc/"] = {
        0, {{0, {entry("smb://pc/data", 3, 1), entry("smb://nas.local/my%20photos", 3, 1)}}}, 0};

    const std::vector<hozonix::netinfo::NetworkShare> shares = hozonix::netinfo::ListNetworkShares(tree);
    std::vector<std::string> lines;
    for (const auto& s : shares)
        lines.push_back(s.Name + " = " + s.Address);
    EXPECT_EQ(lines, (std::vector<std::string>{"my photos (nas.local) = smb://nas.local/my%20photos",
                                               "nas.local (SFTP) = sftp://me@nas.local/",
                                               "data (pc) = smb://pc/data"}));
}
