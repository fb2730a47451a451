#include "netinfo/SmbNetResourceProvider.h"
#include "netinfo/EnumNetResources.h"
#include "netinfo/NetCommands.h"

#include "ChildProcess.h"
#include "SambaServer.h"
#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>

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
        // Timeouts are tested on their own; here a busy machine must not fail the test.
        o.TimeoutMs = 10000;
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

    EXPECT_EQ(lines.size(), 2u);
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

// Runs `body` in a child process inside a network namespace of its own, whose only interface is a
// loopback (brought up when `loopbackUp`), so that nothing it sends can leave the machine. Returns what
// `body` returned, or nothing when no namespace can be made.
std::optional<std::string> RunWithoutNetwork(bool loopbackUp, const std::function<std::string()>& body) {
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    const pid_t child = StartChild([&] {
        close(out[0]);
        if (unshare(CLONE_NEWNET) != 0)
            return 77;
        if (loopbackUp) {
            int fd = socket(AF_INET, SOCK_DGRAM, 0);
            ifreq lo{};
            std::strcpy(lo.ifr_name, "lo");
            if (fd < 0 || ioctl(fd, SIOCGIFFLAGS, &lo) != 0)
                return 78;
            lo.ifr_flags = static_cast<short>(lo.ifr_flags | IFF_UP);
            if (ioctl(fd, SIOCSIFFLAGS, &lo) != 0)
                return 78;
            close(fd);
        }
        std::string result = body();
        bool written = write(out[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        return written ? 0 : 1;
    });
    close(out[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    // A signal shows as 128 and up.
    const int status = WaitForChild(child);
    if (status >= 128 || status == 77)
        return std::nullopt;
    EXPECT_EQ(status, 0) << "the listing ended its process";
    return result;
}

TEST(SmbRootListing, WithoutANetworkBrowserShowsTheOpenFailureAndAnEmptyList) {
    // The root listing broadcasts: it runs only where no packet can reach a real network. Without any
    // interface up, libsmbclient would end the process instead of failing.
    for (bool loopbackUp : {true, false}) {
        SCOPED_TRACE(loopbackUp ? "loopback only" : "no interface up");
        TempFolder temp;
        std::optional<std::string> report = RunWithoutNetwork(loopbackUp, [&] {
            SmbOptions o;
            o.ConfigurationFile = WritePrivateClientConfiguration(temp.Path());
            SmbNetResourceProvider smb(o);
            ScriptedMessageBox box;
            Lines infoLines = {"old"};
            std::string report = "not shown";
            const auto start = Clock::now();
            netinfo::ShowNetworkList(smb, box, infoLines, [&](const std::string& title, const Lines& lines) {
                report = title + "|" + std::to_string(lines.size());
            });
            auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
            for (const auto& s : box.shown)
                report += "|" + s.text;
            return report + "|" + std::to_string(seconds);
        });
        if (!report)
            GTEST_SKIP() << "no private network namespace (needs root)";

        // Title, number of lines shown, the one box, seconds taken.
        std::vector<std::string> parts;
        std::stringstream in(*report);
        for (std::string part; std::getline(in, part, '|');)
            parts.push_back(part);
        ASSERT_EQ(parts.size(), 4u) << *report;
        EXPECT_EQ(parts[0], "ネットワーク情報");
        EXPECT_EQ(parts[1], "0");
        if (loopbackUp) {
            EXPECT_EQ(parts[2].rfind("WNetOpenEnum: ", 0), 0u) << parts[2];
            EXPECT_NE(parts[2], "WNetOpenEnum: 0");
        } else {
            EXPECT_EQ(parts[2], "WNetOpenEnum: " + std::to_string(ENETDOWN));
        }
        EXPECT_LT(std::stoi(parts[3]), 5);
    }
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
