// Runs that say they are done: a fast run onto another drive at the same place takes everything, a drive
// gone from under its mount point is refused, and an interrupt that comes once the work is done does not
// turn a complete run into an interrupted one.

#include "RunnerTestFixture.h"

#include <csignal>
#include <ctime>
#include <fstream>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace hozonix::test {

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Lets the change times of what was just made fall before the start time a run stores (whole seconds).
void WaitForTheNextSecond() {
    for (const std::time_t set = std::time(nullptr); std::time(nullptr) == set;)
        usleep(10'000);
}

char ProcessState(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 'Z' : stat[close + 2];
}

} // namespace

TEST_F(RunnerTest, AFastRunOntoAnotherDriveAtTheSamePlaceTakesEverything) {
    StoreProfile();
    WriteFile(src + "/a.txt", "a");
    WaitForTheNextSecond();
    ASSERT_EQ(Run({"Docs"}).status, 0);
    ASSERT_FALSE(LastRun().empty());
    EXPECT_FALSE(IniFile(settingsPath).ReadIniString("HOZONIX_LastRun", "Docs").empty());

    // A new, empty drive where the old one was.
    ASSERT_EQ(rename(dst.c_str(), (dir / "old-drive").c_str()), 0);
    mkdir(dst.c_str(), 0755);
    const ProcessResult r = Run({"Docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "a");
    EXPECT_TRUE(Contains(r.err, "Docs: the destination is not the one the last complete run left")) << r.err;
    EXPECT_TRUE(Contains(r.out, "Docs: written 1, failed 0")) << r.out;
}

TEST_F(RunnerTest, ADestinationWhoseDriveIsGoneFromUnderItIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a drive needs root";
    StoreProfile();
    WriteFile(src + "/a.txt", "a");
    if (mount("tmpfs", dst.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    ProcessResult r = Run({"Docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string stored = LastRun();
    // Unplugged: the empty folder it was mounted on stays on the system disk.
    ASSERT_EQ(umount2(dst.c_str(), MNT_DETACH), 0);
    const std::string empty = FullListing(dst);
    for (const char* mode : {"--careful", "--dry-run"}) {
        r = Run({mode, "Docs"});
        EXPECT_EQ(r.status, 3) << mode;
        EXPECT_TRUE(Contains(
            r.err, "前回バックアップしたドライブがコピー先に見当たらないため、書き込みません\n" + dst))
            << r.err;
    }
    EXPECT_EQ(FullListing(dst), empty);
    EXPECT_EQ(LastRun(), stored);
}

TEST_F(RunnerTest, AnInterruptOnceTheWorkIsDoneEndsTheRunAsDone) {
    StoreProfile();
    WriteFile(src + "/big.img", std::string(64 << 20, 'b'));
    // SIGTERM as soon as the copy is in place: the run is then flushing what it wrote, or telling.
    for (int attempt = 0; attempt < 5; ++attempt) {
        unlink((dst + "/big.img").c_str());
        RunnerProcess p({"--settings", settingsPath, "--careful", "Docs"}, dir / "run");
        struct stat st {};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (p.Running() && std::chrono::steady_clock::now() < deadline &&
               !(stat((dst + "/big.img").c_str(), &st) == 0 && st.st_size == 64 << 20))
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (!p.Running() || ProcessState(p.Pid()) == 'Z') {
            p.Wait();
            continue; // done before the signal could come: try again
        }
        kill(p.Pid(), SIGTERM);
        const ProcessResult r = p.Wait();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, "Docs: written 1, failed 0")) << r.out;
        EXPECT_FALSE(LastRun().empty()) << "the complete run is remembered";
        return;
    }
    GTEST_SKIP() << "each run was over before the signal could be sent";
}

} // namespace hozonix::test
