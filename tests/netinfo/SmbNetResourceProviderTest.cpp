#include "SmbNetResourceProvider.h"
#include "EnumNetResources.h"
#include "NetCommands.h"
#include "SambaServer.h"
#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace hozonix::test {
namespace {

using netinfo::NetResource;
using netinfo::SmbNetResourceProvider;
using netinfo::SmbOptions;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

Lines Sorted(Lines lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

Lines BoxTexts(const ScriptedMessageBox& box) {
    Lines texts;
    for (const auto& s : box.shown)
        texts.push_back(s.text);
    return texts;
}

NetResource ServerEntry(const std::string& url) {
    NetResource r;
    r.Usage = netinfo::ResourceUsageContainer;
    r.RemoteName = url;
    r.Provider = "SMB";
    return r;
}

// Treats shares as containers, so that opening a share through libsmbclient is tried as well; records
// what each opening gave.
class SharesAsContainers : public netinfo::NetResourceProvider {
public:
    explicit SharesAsContainers(NetResourceProvider& inner) : inner_(inner) {}
    std::vector<std::pair<std::string, int>> opened;

    int Open(const NetResource* parent, std::unique_ptr<netinfo::NetEnumeration>& out) override {
        int code = inner_.Open(parent, out);
        opened.emplace_back(parent != nullptr ? parent->RemoteName.value_or("") : "", code);
        if (code == 0)
            out = std::make_unique<Level>(std::move(out));
        return code;
    }

private:
    class Level : public netinfo::NetEnumeration {
    public:
        explicit Level(std::unique_ptr<NetEnumeration> inner) : inner_(std::move(inner)) {}
        int Next(std::vector<NetResource>& entries) override {
            int code = inner_->Next(entries);
            for (NetResource& r : entries)
                r.Usage |= netinfo::ResourceUsageContainer;
            return code;
        }
        int Close() override { return inner_->Close(); }

    private:
        std::unique_ptr<NetEnumeration> inner_;
    };
    NetResourceProvider& inner_;
};

class SmbServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (SambaServer::Available(why_))
            server_ = new SambaServer;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (server_ == nullptr)
            GTEST_SKIP() << why_;
    }

    SmbOptions Options() const {
        SmbOptions o;
        o.ConfigurationFile = server_->ClientConfiguration();
        return o;
    }
    std::string ShareUrl(const std::string& share) const { return server_->Url() + "/" + share; }

    static SambaServer* server_;
    static std::string why_;
};

SambaServer* SmbServerTest::server_ = nullptr;
std::string SmbServerTest::why_;

TEST_F(SmbServerTest, ServerAsParentListsBothShares) {
    SmbNetResourceProvider smb(Options());
    ScriptedMessageBox box;
    Lines lines;
    NetResource server = ServerEntry(server_->Url());

    EXPECT_TRUE(netinfo::EnumNetResources(smb, box, lines, &server));

    // The IPC share is no resource to connect to and is left out.
    EXPECT_EQ(Sorted(lines), (Lines{"RemoteName:" + ShareUrl("private") + ", Provider:SMB",
                                    "RemoteName:" + ShareUrl("public") + ", Provider:SMB"}));
    EXPECT_TRUE(box.shown.empty()) << BoxTexts(box).front();
}

TEST_F(SmbServerTest, ShareThatRefusesShowsItsBoxWhileSiblingsAreListed) {
    SmbNetResourceProvider smb(Options());
    SharesAsContainers net(smb);
    ScriptedMessageBox box;
    Lines lines;
    NetResource server = ServerEntry(server_->Url());

    EXPECT_TRUE(netinfo::EnumNetResources(net, box, lines, &server));

    EXPECT_EQ(Sorted(lines), (Lines{"RemoteName:" + ShareUrl("private") + ", Provider:SMB",
                                    "RemoteName:" + ShareUrl("public") + ", Provider:SMB"}));
    EXPECT_EQ(BoxTexts(box), (Lines{"WNetOpenEnum: " + std::to_string(EACCES)}));
    // The guest share was opened; folders and files inside it are no network resources.
    auto opened = net.opened;
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::pair<std::string, int>>{
                          {server_->Url(), 0}, {ShareUrl("private"), EACCES}, {ShareUrl("public"), 0}}));
}

TEST_F(SmbServerTest, CredentialsDecideOverThePasswordShare) {
    struct Case {
        const char* user;
        const char* password;
        int expected;
    };
    for (const Case& c : {Case{"", "", EACCES}, Case{"alice", "wrong", EACCES}, Case{"alice", "secret", 0}}) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        SmbOptions o = Options();
        std::vector<std::string> asked;
        o.Credentials = [&](const std::string& srv, const std::string& share) {
            asked.push_back(srv + "|" + share);
            return netinfo::SmbCredentials{"", c.user, c.password};
        };
        SmbNetResourceProvider smb(o);
        NetResource share = ServerEntry(ShareUrl("private"));
        std::unique_ptr<netinfo::NetEnumeration> level;
        EXPECT_EQ(smb.Open(&share, level), c.expected);
        if (level) {
            std::vector<NetResource> entries;
            EXPECT_EQ(level->Next(entries), 0);
            EXPECT_EQ(level->Next(entries), netinfo::NoMoreItems);
            EXPECT_EQ(level->Close(), 0);
        }
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.front(), "127.0.0.1|private");
    }
}

TEST(SmbRootListing, WithoutANetworkBrowserShowsTheOpenFailureAndAnEmptyList) {
    TempFolder temp;
    SmbOptions o;
    o.ConfigurationFile = WritePrivateClientConfiguration(temp.Path());
    SmbNetResourceProvider smb(o);
    ScriptedMessageBox box;
    Lines infoLines = {"old"};
    std::string title;
    Lines shown = {"not shown"};

    const auto start = Clock::now();
    netinfo::netBrowseClick(smb, box, infoLines, [&](const std::string& t, const Lines& l) {
        title = t;
        shown = l;
    });

    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text.rfind("WNetOpenEnum: ", 0), 0u) << box.shown[0].text;
    EXPECT_NE(box.shown[0].text, "WNetOpenEnum: 0");
    EXPECT_EQ(title, "ネットワーク情報");
    EXPECT_TRUE(shown.empty());
}

// A TCP port on loopback that takes connections and never answers.
class SilentServer {
public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 8) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port_ = ntohs(a.sin_port);
    }
    ~SilentServer() { close(fd_); }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST(SmbServerFailures, SilentOrClosedServersFailWithinTheTimeout) {
    TempFolder temp;
    SilentServer silent;
    int closedPort = 0;
    {
        SilentServer gone;
        closedPort = gone.Port();
    }
    struct Case {
        const char* what;
        int port;
        int expected;
    };
    for (const Case& c :
         {Case{"silent", silent.Port(), ETIMEDOUT}, Case{"closed", closedPort, ECONNREFUSED}}) {
        SCOPED_TRACE(c.what);
        SmbOptions o;
        o.ConfigurationFile = WritePrivateClientConfiguration(temp.Path());
        o.TimeoutMs = 700;
        SmbNetResourceProvider smb(o);
        ScriptedMessageBox box;
        Lines lines;
        NetResource server = ServerEntry("smb://127.0.0.1:" + std::to_string(c.port));
        const auto start = Clock::now();
        EXPECT_FALSE(netinfo::EnumNetResources(smb, box, lines, &server));
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
        EXPECT_EQ(BoxTexts(box), (Lines{"WNetOpenEnum: " + std::to_string(c.expected)}));
        EXPECT_TRUE(lines.empty());
    }
}

TEST(SmbChildUrl, JoinsAndEncodesNames) {
    struct Case {
        std::string parent;
        unsigned type;
        std::string name;
        std::string url;
    };
    const std::vector<Case> cases = {
        {"smb://", 1, "WORKGROUP", "smb://WORKGROUP"},
        {"smb://WORKGROUP", 2, "FILESRV", "smb://FILESRV"},
        {"smb://FILESRV", 3, "data", "smb://FILESRV/data"},
        {"smb://FILESRV/", 3, "data", "smb://FILESRV/data"},
        {"smb://127.0.0.1:4450", 4, "laser", "smb://127.0.0.1:4450/laser"},
        {"smb://FILESRV", 3, "my share", "smb://FILESRV/my%20share"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(netinfo::SmbChildUrl(c.parent, c.type, c.name), c.url) << c.name;
}

} // namespace
} // namespace hozonix::test
