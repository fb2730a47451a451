// What a run leaves behind when it is killed, loses its power or meets another run: the destination is
// never worse than before, and a copy is never taken for good when it is not.
#include "engine/DestinationLock.h"
#include "engine/EngineTexts.h"
#include "engine/FolderCache.h"
#include "engine/Recovery.h"

#include "ChildProcess.h"
#include "RunFixture.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sched.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

// After every file's write and change time: a fast run with it looks at nothing.
constexpr int64_t Future = 4'000'000'000'000'000'000;
constexpr int64_t Old = 1'000'000'000'000'000'000;

int64_t Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

// The file systems' "going down" request (as ext4 and XFS name it), and its flag that writes the journal
// but not the data still in memory.
constexpr unsigned long ShutDown = _IOR('X', 125, uint32_t);
constexpr uint32_t FlushLogOnly = 1;

// Stands in for a file system without hard links while it lives.
struct NoHardLinks {
    NoHardLinks() {
        SetParkingLinkForTesting([](int, const char*, int, const char*, int) {
            errno = EPERM;
            return -1;
        });
    }
    ~NoHardLinks() { SetParkingLinkForTesting(nullptr); }
};

class CrashSafetyTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        marks = dir / "data";
        mkdir(marks.c_str(), 0755);
        request.RunMarkFolder = marks;
        request.ProfileName = "Docs";
    }
    std::string Mark() const { return marks + "/RUNNING/docs.run"; }

    // Runs the request in a child that stops at the first block of a large copy, then kills it.
    void KillDuringLargeCopy() {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = StartChild([&] {
            RecordingHost stopper;
            stopper.onUpdate = [&](const RecordingHost::Call& c) {
                if (c.lower.find("Kバイト") != std::string::npos) {
                    (void)!write(ready[1], "x", 1);
                    pause();
                }
            };
            PathList u, f;
            RunBackup(request, u, f, stopper);
            return 0;
        });
        close(ready[1]);
        char byte = 0;
        EXPECT_EQ(read(ready[0], &byte, 1), 1) << "the child never reached the copy";
        close(ready[0]);
        kill(child, SIGKILL);
        EXPECT_EQ(WaitForChild(child), 128 + SIGKILL);
    }

    std::string marks;
};

TEST(IsCopyUpToDate, ACopyWithTheSourceTimeNeedsTheSourceSize) {
    const int64_t t = 1'700'000'001'500'000'000;
    const int64_t fat = 2'000'000'000;
    struct Case {
        int64_t destinationTime, destinationSize, sourceSize, resolution;
        bool upToDate;
    } cases[] = {
        {t, 10, 10, 1, true},
        {t, 0, 10, 1, false},                           // emptied by a power cut, carrying the source's time
        {t + 1, 10, 10, 1, true},                       // newer: left alone
        {t + 1, 0, 10, 1, false},                       // newer but emptied (a share that lost its data)
        {t - 1, 10, 10, 1, false},                      // older
        {1'700'000'000'000'000'000, 3, 10, fat, false}, // equal in FAT's steps, another size
        {1'700'000'000'000'000'000, 10, 10, fat, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsCopyUpToDate(c.destinationTime, c.destinationSize, t, c.sourceSize, c.resolution),
                  c.upToDate)
            << c.destinationTime << " " << c.destinationSize;
}

TEST_F(CrashSafetyTest, AnEmptiedCopyIsWrittenAgainAndANewerOneLeftAlone) {
    WriteFile(src + "/emptied.txt", "content");
    WriteFile(dst + "/emptied.txt", "");
    SetWriteTime(dst + "/emptied.txt", WriteTimeOf(src + "/emptied.txt"));
    WriteFile(src + "/edited.txt", "source");
    WriteFile(dst + "/edited.txt", "edited");
    SetWriteTime(dst + "/edited.txt", WriteTimeOf(src + "/edited.txt") + 1'000'000'000);
    // Cut short with a newer time: its size gives it away.
    WriteFile(src + "/cut.txt", "all of it");
    WriteFile(dst + "/cut.txt", "all");
    SetWriteTime(dst + "/cut.txt", WriteTimeOf(src + "/cut.txt") + 1'000'000'000);
    EXPECT_EQ(Run(), 2);
    std::set<std::string> written;
    for (const std::string& path : updated)
        written.insert(path);
    EXPECT_EQ(written, (std::set<std::string>{src + "/emptied.txt", src + "/cut.txt"}));
    EXPECT_EQ(ReadFile(dst + "/emptied.txt"), "content");
    EXPECT_EQ(ReadFile(dst + "/cut.txt"), "all of it");
    EXPECT_EQ(ReadFile(dst + "/edited.txt"), "edited");
}

TEST_F(CrashSafetyTest, AKilledRunKeepsThePreviousVersionAndMakesTheNextRunCareful) {
    MakeFile(src + "/big.img", 3'000'000);
    WriteFile(dst + "/big.img", "previous");
    SetWriteTime(dst + "/big.img", Old);
    request.RecoveryThreshold = 1'000'000;

    // Killed twice mid-copy: the target's name holds the complete previous version all along.
    for (int kill = 0; kill < 2; ++kill) {
        KillDuringLargeCopy();
        EXPECT_EQ(ReadFile(dst + "/big.img"), "previous");
        EXPECT_TRUE(PathExists(Mark()));
    }

    // The next run's limit would skip everything; the mark makes it compare every file, and it stays
    // until a run has done so: an aborted one leaves it.
    FastFrom(Future);
    host.onPending = [&](int) { host.RequestAbort(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(PathExists(Mark()));
    host.onPending = nullptr;
    host.ClearAbortRequest();
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(result.PreviousRunUnfinished);
    const auto statuses = host.Texts("status");
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), texts::UnfinishedRun), statuses.end());
    EXPECT_EQ(SizeOf(dst + "/big.img"), 3'000'000);
    EXPECT_EQ(ReadFile(dst + "/big.~TMP"), "previous");
    EXPECT_EQ(ListFolder(dst), "big.img big.~TMP"); // the killed runs' temporary files are gone too
    EXPECT_FALSE(PathExists(Mark()));

    request.LastRunToken = result.RunToken; // as the caller remembers it
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(result.FilesFound, 0);
    EXPECT_FALSE(result.PreviousRunUnfinished);
}

TEST_F(CrashSafetyTest, ParkingWithAndWithoutHardLinksNeverLosesThePreviousVersion) {
    MakeFile(src + "/big.img", 3'000'000);
    request.RecoveryThreshold = 1'000'000;
    for (const bool links : {true, false}) {
        std::optional<NoHardLinks> fat;
        if (!links)
            fat.emplace();
        WriteFile(dst + "/big.img", "previous");
        SetWriteTime(dst + "/big.img", Old);
        unlink((dst + "/big.~TMP").c_str());
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(ReadFile(dst + "/big.~TMP"), "previous") << links;

        // A run killed between renaming the previous version aside and the copy left it alone under the
        // parked name: it is never deleted, and an aborted copy leaves it as it was.
        unlink((dst + "/big.img").c_str());
        WriteFile(dst + "/big.~TMP", "orphan");
        host.onUpdate = [&](const RecordingHost::Call& c) {
            if (c.lower.find("Kバイト") != std::string::npos)
                host.RequestAbort();
        };
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(ListFolder(dst), "big.~TMP") << links;
        EXPECT_EQ(ReadFile(dst + "/big.~TMP"), "orphan");
        host.onUpdate = nullptr;
        host.ClearAbortRequest();
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(ReadFile(dst + "/big.~TMP"), "orphan") << links;
        EXPECT_EQ(SizeOf(dst + "/big.img"), 3'000'000);
    }
}

TEST_F(CrashSafetyTest, APutBackTakesOnlyWhatTheKilledRunRecordedAndNeverAUsersFile) {
    MakeFile(src + "/big.img", 3'000'000);
    WriteFile(dst + "/big.img", "previous");
    SetWriteTime(dst + "/big.img", Old);
    request.RecoveryThreshold = 1'000'000;
    {
        // Without hard links the previous version is renamed aside while the copy runs.
        NoHardLinks fat;
        KillDuringLargeCopy();
        EXPECT_FALSE(PathExists(dst + "/big.img"));
        EXPECT_EQ(ReadFile(dst + "/big.~TMP"), "previous");
    }
    // The next run puts it back before anything else, even when it ends at once.
    host.onPending = [&](int) { host.RequestAbort(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(dst + "/big.img"), "previous");
    EXPECT_EQ(ListFolder(dst), "big.img");
    host.onPending = nullptr;
    host.ClearAbortRequest();

    // A user's own "x.~TMP" has its copy under the parked name of "x.dat": that copy is never replaced
    // by a parked version, and x.dat is written without keeping one.
    WriteFile(src + "/x.~TMP", "the user's own file");
    MakeFile(src + "/x.dat", 2'000'000, 'x');
    EXPECT_EQ(Run(), 3);
    // A fast run that takes only x.dat, so that nothing afterwards writes the user's file again.
    request.LastRunToken = result.RunToken;
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // past the coarse clock's tick
    FastFrom(Now());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    MakeFile(src + "/x.dat", 2'000'000, 'y');
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(dst + "/x.~TMP"), "the user's own file");
    EXPECT_EQ(ReadFile(dst + "/x.dat"), ReadFile(src + "/x.dat"));
}

TEST_F(CrashSafetyTest, ASecondRunIntoTheSameDestinationIsRefusedAndChangesNothing) {
    WriteFile(src + "/a.txt", "a");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = StartChild([&] {
        DestinationLock lock(dst);
        (void)!write(ready[1], "x", 1);
        pause();
        return 0;
    });
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    try {
        Run();
        ADD_FAILURE() << "not refused";
    } catch (const DestinationBusyError& e) {
        EXPECT_EQ(std::string(e.what()), texts::DestinationBusy + dst);
    }
    EXPECT_EQ(ListFolder(dst), "");
    EXPECT_FALSE(PathExists(Mark()));

    kill(other, SIGKILL);
    WaitForChild(other);
    EXPECT_EQ(Run(), 1); // the lock went with the process
}

TEST_F(CrashSafetyTest, StaleTemporaryFilesGoAndEverythingElseStays) {
    const pid_t dead = StartChild([] { return 0; });
    WaitForChild(dead);
    const pid_t stranger = StartChild([] { return 0; });
    WaitForChild(stranger);
    const pid_t alive = StartChild([] {
        pause();
        return 0;
    });
    WriteFile(src + "/a.txt", "a");
    mkdir((dir / "src/sub").c_str(), 0755);
    WriteFile(src + "/sub/b.txt", "b");
    mkdir((dst + "/sub").c_str(), 0755);
    // Only the temporary files of the runs the mark names as not ended are the program's to remove: one
    // of the same pattern that no recorded run made may be anybody's.
    mkdir((marks + "/RUNNING").c_str(), 0700);
    WriteFile(Mark(), "Docs\npid " + std::to_string(dead) + "\npid " + std::to_string(alive) + "\n");
    const std::string stale = ".a.txt.hozonix-" + std::to_string(dead) + "-3.tmp";
    const std::string inUse = ".a.txt.hozonix-" + std::to_string(alive) + "-1.tmp";
    const std::string notRecorded = ".a.txt.hozonix-" + std::to_string(stranger) + "-2.tmp";
    for (const std::string& name : {stale, inUse, notRecorded, std::string(".a.txt.123-4.tmp"),
                                    std::string(".keep"), "b.hozonix-" + std::to_string(dead) + "-1.tmp"})
        WriteFile(dst + "/" + name, "x");
    WriteFile(dst + "/sub/.b.txt.hozonix-" + std::to_string(dead) + "-9.tmp", "x");
    EXPECT_EQ(Run(), 2);
    std::vector<std::string> kept = {".a.txt.123-4.tmp",
                                     inUse,
                                     notRecorded,
                                     ".keep",
                                     "a.txt",
                                     "b.hozonix-" + std::to_string(dead) + "-1.tmp",
                                     "sub"};
    std::sort(kept.begin(), kept.end());
    std::string listing;
    for (const std::string& name : kept)
        listing += (listing.empty() ? "" : " ") + name;
    EXPECT_EQ(ListFolder(dst), listing);
    EXPECT_EQ(ListFolder(dst + "/sub"), "b.txt");
    kill(alive, SIGKILL);
    WaitForChild(alive);
}

// A power cut right after a run, on a real journalled file system: everything the run wrote is there.
TEST(PowerCutTest, CopiesSurviveAPowerCutRightAfterTheRun) {
    if (!CanSwitchUser())
        GTEST_SKIP() << "a loop device needs root";
    TempFolder dir;
    const std::string image = dir / "fs.img";
    const std::string mount = dir / "mnt";
    mkdir(mount.c_str(), 0755);
    mkdir((dir / "src").c_str(), 0755);
    for (int i = 0; i < 100; ++i)
        MakeFile(dir / ("src/f" + std::to_string(i)), 100'000, static_cast<char>('a' + i % 26));
    if (std::system(("truncate -s 64M " + image + " && mkfs.ext4 -q " + image + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no mkfs.ext4";

    const int status = RunInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return 77;
        const std::string mountIt = "mount -o loop " + image + " " + mount + " 2>/dev/null";
        if (std::system(mountIt.c_str()) != 0)
            return 77;
        mkdir((mount + "/dst").c_str(), 0755);
        BackupRequest request;
        request.SourceFolder = dir / "src";
        request.DestinationFolder = mount + "/dst";
        RecordingHost host;
        PathList written, failed;
        if (RunBackup(request, written, failed, host) != 100)
            return 2;
        // The power goes: the journal reaches the disk, data still in memory does not.
        const int fd = open(mount.c_str(), O_RDONLY | O_DIRECTORY);
        uint32_t flags = FlushLogOnly;
        if (fd < 0 || ioctl(fd, ShutDown, &flags) != 0)
            return 77;
        close(fd);
        if (umount(mount.c_str()) != 0 || std::system(mountIt.c_str()) != 0)
            return 3;
        int wrong = 0;
        for (int i = 0; i < 100; ++i) {
            const std::string name = "/f" + std::to_string(i);
            wrong += ReadFile(mount + "/dst" + name) != ReadFile(dir / ("src" + name)) ? 1 : 0;
        }
        umount(mount.c_str());
        return wrong == 0 ? 0 : 4;
    });
    if (status == 77)
        GTEST_SKIP() << "no mount namespace or loop device here";
    EXPECT_EQ(status, 0) << "2: run, 3: remount, 4: copies lost to the power cut";
}

} // namespace
