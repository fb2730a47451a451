// Connecting shares for a run through a private desktop session (session bus, GVfs and its FUSE folder)
// and a private Samba server.
#include "shares/ShareConnection.h"

#include "NetworkMounts.h"
#include "SambaServer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::shares {
namespace {

using test::GvfsSession;
using test::SambaServer;

class ScriptedPrompt : public CredentialPrompt {
public:
    std::optional<Credentials> answer;
    int asked = 0;
    std::string askedFor;

    std::optional<Credentials> Ask(const std::string& shareText, const std::string&, const Credentials&,
                                   bool) override {
        ++asked;
        askedFor = shareText;
        return answer;
    }
    int Choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
        return -1;
    }
};

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The FUSE folder may show an unmounted share for as long as the kernel keeps its entry (a second).
bool GoneSoon(const std::string& path) {
    for (int i = 0; i < 30 && IsFolder(path); ++i)
        usleep(100 * 1000);
    return !IsFolder(path);
}

std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ShareConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!GvfsSession::Available(why) || !SambaServer::Available(why))
            GTEST_SKIP() << why;
        smb_ = std::make_unique<SambaServer>();
        gvfs_ = std::make_unique<GvfsSession>();
    }
    std::string Address(const std::string& shareAndFolder) const {
        return smb_->Url() + "/" + shareAndFolder;
    }

    std::unique_ptr<SambaServer> smb_;
    std::unique_ptr<GvfsSession> gvfs_;
};

TEST_F(ShareConnectionTest, AShareIsConnectedWithTheLogOnGivenAndLeftAsItWasFound) {
    ScriptedPrompt prompt;
    prompt.answer = Credentials{SambaServer::User, "", SambaServer::Password, false, false};
    auto share = ConnectShare(*ParseShareAddress(Address("private/backup")), &prompt);
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_TRUE(share->ConnectedHere());
    const std::string local = share->LocalFolder();
    ASSERT_EQ(mkdir(local.c_str(), 0755), 0) << local;
    std::ofstream(local + "/file.txt") << "through the share";

    // Connected here, so disconnected again; the written file is on the server.
    std::string why;
    EXPECT_TRUE(share->Disconnect(&why)) << why;
    EXPECT_TRUE(GoneSoon(local));
    EXPECT_EQ(Read(smb_->ShareFolder("private") + "/backup/file.txt"), "through the share");

    // A share the person had connected stays connected after a run.
    const std::string mounted = gvfs_->MountSmb(Address("private"), SambaServer::User, SambaServer::Password);
    ScriptedPrompt nobody;
    share = ConnectShare(*ParseShareAddress(Address("private/backup")), &nobody);
    EXPECT_EQ(nobody.asked, 0);
    EXPECT_FALSE(share->ConnectedHere());
    EXPECT_EQ(share->LocalFolder(), mounted + "/backup");
    share.reset();
    EXPECT_TRUE(IsFolder(mounted + "/backup"));
}

TEST_F(ShareConnectionTest, WithoutALogOnTheShareIsNamedAndNothingIsLeftConnected) {
    // Nobody to ask (a timer): a guest log-on is tried and refused.
    try {
        ConnectShare(*ParseShareAddress(Address("private")), nullptr, 30);
        FAIL() << "connected without a log-on";
    } catch (const ShareConnectError& e) {
        EXPECT_NE(std::string(e.what()).find(":" + std::to_string(smb_->Port()) + "\\private"),
                  std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("記憶されていません"), std::string::npos) << e.what();
    }
    // A person who declines, and a wrong password.
    ScriptedPrompt prompt;
    EXPECT_THROW(ConnectShare(*ParseShareAddress(Address("private")), &prompt, 30), ShareConnectError);
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_NE(prompt.askedFor.find("private"), std::string::npos);
    // A folder missing below the share is named as typed, and the share is not left connected.
    ScriptedPrompt person;
    person.answer = Credentials{SambaServer::User, "", SambaServer::Password, false, false};
    std::string local;
    try {
        ConnectDestination(Address("private/none"), &person, local);
        FAIL() << "a missing folder was given";
    } catch (const ShareConnectError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "コピー先のディレクトリが存在しません\r\n" + Address("private/none"));
    }
    EXPECT_TRUE(GoneSoon(gvfs_->RuntimeDir() + "/gvfs/smb-share:port=" + std::to_string(smb_->Port()) +
                         ",server=127.0.0.1,share=private"));
    // A guest share needs nobody.
    auto guest = ConnectDestination(Address("public"), nullptr, local);
    EXPECT_TRUE(IsFolder(local));
    EXPECT_TRUE(guest->ConnectedHere());
    std::string why;
    EXPECT_TRUE(guest->Disconnect(&why)) << why;
    EXPECT_TRUE(GoneSoon(local));
}

} // namespace
} // namespace hozonix::shares
