// A timer's run onto a share: nothing mounted, nobody to ask. It connects the share with the log-on the
// desktop remembered in the keyring, backs up, and leaves the share as it found it; without a remembered
// log-on it names the share and ends that profile with an error, writing nothing.

#include "shares/ShareConnection.h"

#include "NetworkMounts.h"
#include "RunnerTestFixture.h"
#include "SambaServer.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace hozonix::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The desktop's keyring (Secret Service) in the private session, unlocked as at log-in.
class Keyring {
public:
    Keyring() : processes_("keyring") {
        processes_.Start(
            {"/usr/bin/gnome-keyring-daemon", "--foreground", "--components=secrets", "--unlock"},
            {"HOME=" + processes_.Folder()}, "keyring", "keyring-password");
        for (int i = 0; i < 100 && !Serving(); ++i)
            usleep(50'000);
    }
    static bool Serving() {
        FILE* p = popen("gdbus call --session --dest org.freedesktop.DBus --object-path / --method "
                        "org.freedesktop.DBus.NameHasOwner org.freedesktop.secrets 2>/dev/null",
                        "r");
        char line[64] = {};
        const bool got = p != nullptr && std::fgets(line, sizeof line, p) != nullptr;
        if (p != nullptr)
            pclose(p);
        return got && Contains(line, "true");
    }

private:
    FixtureProcesses processes_;
};

struct RememberingPerson : shares::CredentialPrompt {
    std::optional<shares::Credentials> Ask(const std::string&, const std::string&, const shares::Credentials&,
                                           bool) override {
        return shares::Credentials{SambaServer::User, "", SambaServer::Password, false, true};
    }
    int Choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
        return -1;
    }
};

bool Mounted(const std::string& what) {
    std::ifstream in("/proc/self/mountinfo");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Contains(text, what);
}

TEST_F(RunnerTest, ATimersRunConnectsTheShareWithTheRememberedLogOnAndLeavesItAsFound) {
    std::string why;
    if (!GvfsSession::Available(why) || !SambaServer::Available(why))
        GTEST_SKIP() << why;
    if (access("/usr/bin/gnome-keyring-daemon", X_OK) != 0)
        GTEST_SKIP() << "gnome-keyring is not installed";
    SambaServer smb;
    GvfsSession session;
    Keyring keyring;
    if (!Keyring::Serving())
        GTEST_SKIP() << "the keyring did not come up on the private session bus";

    const std::string address = smb.Url() + "/private/backup";
    const std::string shareText = "\\\\127.0.0.1:" + std::to_string(smb.Port()) + "\\private";
    StoreProfiles({{"Nas", src + ">>" + address + ">><<"}, {"Local", src + ">>" + dst + ">><<"}});
    WriteFile(src + "/a.txt", "alpha");
    mkdir((src + "/sub").c_str(), 0755);
    WriteFile(src + "/sub/b.txt", "beta");
    SetWriteTime(src + "/a.txt", 1'600'000'000);

    // Nothing remembered yet: the share is named, nothing is written, the other profile still runs.
    ProcessResult r = Run({"Nas", "Local"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(Contains(r.err, shareText)) << r.err;
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "alpha");
    EXPECT_TRUE(LastRun("Nas").empty());

    // The person connects once from the desktop and has the password remembered.
    {
        RememberingPerson person;
        auto share = shares::ConnectShare(*shares::ParseShareAddress(address), &person);
        ASSERT_EQ(mkdir(share->LocalFolder().c_str(), 0755), 0);
    }
    ASSERT_FALSE(Mounted("share=private"));

    r = Run({"Nas"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Nas: written 2, failed 0")) << r.out;
    const std::string server = smb.ShareFolder("private") + "/backup";
    EXPECT_EQ(ReadFile(server + "/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(server + "/sub/b.txt"), "beta");
    struct stat st {};
    ASSERT_EQ(stat((server + "/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'600'000'000) << "the copy does not carry the source's time";
    EXPECT_FALSE(LastRun("Nas").empty());
    EXPECT_FALSE(Mounted("share=private"));

    // The next run finds everything up to date.
    r = Run({"--careful", "Nas"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Nas: written 0, failed 0")) << r.out;
}

} // namespace
} // namespace hozonix::test
