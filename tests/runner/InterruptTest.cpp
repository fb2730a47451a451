// Ctrl-C, SIGTERM and a hang-up while a large file is being copied.

#include "FakeDrive.h"
#include "RunnerTestFixture.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <thread>
#include <unistd.h>

namespace hozonix::test {

namespace {

// Names in the folder, hidden ones included.
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(RunnerTest, InterruptDuringACopyKeepsThePreviousVersion) {
    struct Case {
        const char* threshold; // "0": a hidden temporary file; otherwise the old version is parked
        int signal;
        const char* sign; // a name that shows the copy is under way
    };
    const Case cases[] = {
        {"0", SIGINT, ".big.img."}, {"1000", SIGTERM, "big.~TMP"}, {"0", SIGHUP, ".big.img."}};
    StoreProfile();
    // Read from a slow drive: far too slow to copy before the signal arrives. (A sparse file would not
    // do: its holes are copied as holes, at once.)
    const std::string backing = dir / "backing";
    mkdir(backing.c_str(), 0755);
    WriteFile(backing + "/big.img", std::string(16 << 20, 'x'));
    FakeDrive slow(backing, src, {"--read-delay=0.05"});
    std::string whyNot;
    if (!slow.Start(&whyNot))
        GTEST_SKIP() << whyNot;
    const std::string big = src + "/big.img";

    for (const Case& c : cases) {
        SCOPED_TRACE(c.sign);
        WriteFile(dst + "/big.img", "previous version");
        SetWriteTime(dst + "/big.img", 1'577'836'800);
        const std::string settingsBefore = ReadFile(settingsPath);

        RunnerProcess p({"--settings", settingsPath, "--threshold", c.threshold, "Docs"}, dir / "run");
        bool seen = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!seen && p.Running() && std::chrono::steady_clock::now() < deadline) {
            for (const std::string& name : NamesIn(dst))
                seen = seen || name.starts_with(c.sign);
            if (!seen)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_TRUE(seen) << "the copy never started";
        kill(p.Pid(), c.signal);
        const ProcessResult r = p.Wait();

        EXPECT_EQ(r.status, 130) << r.err;
        // No temporary or parked file; the program's own folder, where it tried the drive, stays.
        EXPECT_EQ(NamesIn(dst), (std::vector<std::string>{".hozonix", "big.img"}));
        EXPECT_EQ(ReadFile(dst + "/big.img"), "previous version");
        EXPECT_NE(r.out.find("Failed files (1):\n  " + big + "\n"), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("続けますか？"), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(settingsPath), settingsBefore); // no last-run time after an interrupted run
    }
}

} // namespace hozonix::test
