// The network list over real discovery services: a private Avahi daemon announcing test services, wsdd
// answering WS-Discovery, and a private smbd behind both, all in a network namespace of this program.

#include "netinfo/NetworkTree.h"
#include "netinfo/EnumNetResources.h"
#include "netinfo/NetCommands.h"

#include "DiscoveryPeers.h"
#include "SambaServer.h"
#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace hozonix::test {
namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// Set by main, before any thread is started.
bool inPrivateNetwork = false;
std::string noPrivateNetwork;

constexpr const char* WsdComputer = "HOZONIXWSD";

std::string Line(const std::string& remote, const std::string& provider) {
    return "RemoteName:" + remote + ", Provider:" + provider;
}

Lines BoxTexts(const ScriptedMessageBox& box) {
    Lines texts;
    for (const auto& s : box.shown)
        texts.push_back(s.text);
    return texts;
}

class NetworkTreeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!inPrivateNetwork) {
            why_ = noPrivateNetwork;
            return;
        }
        if (!SambaServer::Available(why_) || !DiscoveryPeersAvailable(why_))
            return;
        try {
            // A port of its own, announced over DNS-SD, and 445, where a WS-Discovery computer is reached.
            // Like a Windows server, it lists its shares to no one anonymous.
            samba_ = new SambaServer(LinkAddress, {445}, "restrict anonymous = 2\n");
            folder_ = new TempFolder;
            wsdd_ = new WsddPeer(folder_->Path(), WsdComputer, "TESTGRP");
        } catch (const std::exception& e) {
            why_ = e.what();
            TearDownTestSuite();
        }
    }
    static void TearDownTestSuite() {
        delete wsdd_;
        wsdd_ = nullptr;
        StopAvahi();
        delete folder_;
        folder_ = nullptr;
        // Last: stopping it waits for every child of this process.
        delete samba_;
        samba_ = nullptr;
    }
    void SetUp() override {
        if (wsdd_ == nullptr)
            GTEST_SKIP() << why_;
    }

    // The Avahi daemon runs from the first test that needs it until one that needs it gone.
    static bool StartAvahi() {
        if (avahi_ != nullptr)
            return true;
        try {
            avahi_ = new AvahiPeer(folder_->Path());
            avahi_->Announce({{"Test NAS", "_smb._tcp", samba_->Port(), "", {}},
                              {"Idle NAS", "_smb._tcp", 445, "deadhost.local", {}},
                              {"Test SFTP", "_sftp-ssh._tcp", 2222, "", {"u=alice"}},
                              {"Test DAV", "_webdavs._tcp", 443, "", {"path=/dav"}}},
                             {{"deadhost.local", IdleAddress}});
            return true;
        } catch (const std::exception& e) {
            why_ = e.what();
            StopAvahi();
            return false;
        }
    }
    static void StopAvahi() {
        delete avahi_;
        avahi_ = nullptr;
    }

    // With the test user's credentials; `asked` records for which server and share they are asked.
    static netinfo::NetworkTreeOptions Options(Lines* asked = nullptr) {
        netinfo::NetworkTreeOptions o;
        o.Smb.Credentials = [asked](const std::string& server, const std::string& share) {
            if (asked != nullptr)
                asked->push_back(server + "|" + share);
            return netinfo::SmbCredentials{"", SambaServer::User, SambaServer::Password};
        };
        o.Smb.ConfigurationFile = samba_->ClientConfiguration();
        // Timeouts are tested on their own; here a busy machine must not fail the test.
        o.Smb.TimeoutMs = 10000;
        o.Wsd.Interface = LinkName;
        return o;
    }

    // The listing as the Tool menu shows it, and the boxes shown on the way.
    static std::pair<Lines, Lines> List(netinfo::NetworkTree& tree) {
        ScriptedMessageBox box;
        Lines lines;
        Lines shown = {"not shown"};
        netinfo::ShowNetworkList(tree, box, lines, [&](const std::string&, const Lines& l) { shown = l; });
        EXPECT_EQ(shown, lines);
        return {lines, BoxTexts(box)};
    }

    static std::string NasAddress() {
        return "smb://hozonixtest.local:" + std::to_string(samba_->Port()) + "/";
    }

    static SambaServer* samba_;
    static TempFolder* folder_;
    static AvahiPeer* avahi_;
    static WsddPeer* wsdd_;
    static std::string why_;
};

SambaServer* NetworkTreeTest::samba_ = nullptr;
TempFolder* NetworkTreeTest::folder_ = nullptr;
AvahiPeer* NetworkTreeTest::avahi_ = nullptr;
WsddPeer* NetworkTreeTest::wsdd_ = nullptr;
std::string NetworkTreeTest::why_;

TEST_F(NetworkTreeTest, ListsEachAnnouncedServerOnceWithItsShares) {
    if (!StartAvahi())
        GTEST_SKIP() << why_;
    Lines asked;
    netinfo::NetworkTree tree(Options(&asked));
    const auto start = Clock::now();
    auto [lines, boxes] = List(tree);
    const auto took = Clock::now() - start;

    // The SMB1 browse finds no browse master and is left out. The WS-Discovery computer is the DNS-SD
    // server's host: shown, but its shares are not listed twice. The idle server's failure ends only its
    // own level.
    const std::string nas = NasAddress();
    EXPECT_EQ(lines, (Lines{Line("DNS-SD", "DNS-SD"), Line("davs://hozonixtest.local/dav/", "DNS-SD"),
                            Line("sftp://alice@hozonixtest.local:2222/", "DNS-SD"),
                            Line("smb://deadhost.local/", "DNS-SD"), Line(nas, "DNS-SD"),
                            Line(nas + "public", "SMB"), Line(nas + "private", "SMB"), Line("WSD", "WSD"),
                            Line("smb://HOZONIXWSD/", "WSD"), netinfo::EnumEndLine}));
    EXPECT_EQ(boxes, (Lines{"WNetOpenEnum: " + std::to_string(ECONNREFUSED)}));
    EXPECT_LT(took, std::chrono::seconds(6));
    // Refused to the anonymous try, the share list came with the credentials.
    EXPECT_NE(std::find(asked.begin(), asked.end(), std::string(LinkAddress) + "|IPC$"), asked.end());
}

TEST_F(NetworkTreeTest, WithoutAvahiTheOtherServicesAreListed) {
    StopAvahi();
    netinfo::NetworkTree tree(Options());
    auto [lines, boxes] = List(tree);

    // Named from its metadata, reached at its address on port 445.
    EXPECT_EQ(lines, (Lines{Line("WSD", "WSD"), Line("smb://HOZONIXWSD/", "WSD"),
                            Line("smb://HOZONIXWSD/public", "SMB"), Line("smb://HOZONIXWSD/private", "SMB"),
                            netinfo::EnumEndLine}));
    EXPECT_TRUE(boxes.empty()) << boxes.front();

    // With no service answering at all, the SMB1 browse's failure is the root's, as before there were
    // other services.
    netinfo::NetworkTreeOptions none = Options();
    none.Wsd.Interface = "nosuch0";
    netinfo::NetworkTree silent(none);
    auto [noLines, noBoxes] = List(silent);
    EXPECT_TRUE(noLines.empty());
    ASSERT_EQ(noBoxes.size(), 1u);
    EXPECT_EQ(noBoxes[0].rfind("WNetOpenEnum: ", 0), 0u) << noBoxes[0];
    EXPECT_NE(noBoxes[0], "WNetOpenEnum: 0");
}

TEST_F(NetworkTreeTest, FindNetworkServersGivesNamesAndBothAddresses) {
    if (!StartAvahi())
        GTEST_SKIP() << why_;
    Lines found;
    for (const netinfo::NetworkServer& s : netinfo::FindNetworkServers(Options()))
        found.push_back(s.Name + " | " + s.Address + " | " + s.NumericAddress + " | " + s.Provider);

    const std::string port = std::to_string(samba_->Port());
    EXPECT_EQ(
        found,
        (Lines{"Test DAV | davs://hozonixtest.local/dav/ | davs://10.77.0.1/dav/ | DNS-SD",
               "Test SFTP | sftp://alice@hozonixtest.local:2222/ | sftp://alice@10.77.0.1:2222/ | DNS-SD",
               "Idle NAS | smb://deadhost.local/ | smb://10.77.0.3/ | DNS-SD",
               "Test NAS | " + NasAddress() + " | smb://10.77.0.1:" + port + "/ | DNS-SD"}));
}

} // namespace
} // namespace hozonix::test

int main(int argc, char** argv) {
    // Threads take the namespaces of the thread that starts them: this comes before any is started.
    hozonix::test::inPrivateNetwork = hozonix::test::EnterPrivateNetwork(hozonix::test::noPrivateNetwork);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
