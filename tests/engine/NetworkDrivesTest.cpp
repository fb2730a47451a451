// Backups onto and from network file systems, each served and mounted privately: sshfs (two mounts of one
// server folder stand for two machines), rclone and an SMB share mounted through GVfs. Each keeps the
// promises of a local disk: copies carry their source's time, a copy of another size is repaired, the
// previous version of a large file is kept, two writers are kept apart, a fast run misses nothing, and a
// mount that went away is not replaced by the empty folder below it.
#include "engine/DestinationLock.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"
#include "engine/Recovery.h"
#include "engine/ScanFolder.h"

#include "ChildProcess.h"
#include "NetworkMounts.h"
#include "RunFixture.h"
#include "SambaServer.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <sched.h>
#include <thread>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

int64_t Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

class NetworkDrivesTest : public RunFixture {
protected:
    // Starts a run onto `destination` in a child process and returns once the run holds the destination
    // (it waits inside, before it writes anything); with `otherMachine` the child has a host name of its
    // own, as a second machine would.
    pid_t StartHeldRun(const std::string& destination, bool otherMachine) {
        int ready[2];
        if (pipe(ready) != 0)
            return -1;
        const pid_t pid = StartChild([&] {
            if (otherMachine && (unshare(CLONE_NEWUTS) != 0 || sethostname("other-machine", 13) != 0))
                return 2;
            BackupRequest held = request;
            held.DestinationFolder = destination;
            RecordingHost waiting;
            waiting.onPending = [&](int) {
                (void)!write(ready[1], "x", 1);
                pause();
            };
            PathList u, f;
            RunBackup(held, u, f, waiting);
            return 0;
        });
        close(ready[1]);
        char byte = 0;
        const bool held = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        if (held)
            return pid;
        WaitForChild(pid);
        return -1;
    }

    // Neither tells a file moved in with an old time by its change time: as a source, every fast run
    // compares every file.
    static bool KeepsChangeTimesAt(const std::string& folder) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool keeps = KeepsChangeTimes(fd);
        close(fd);
        return keeps;
    }

    void ExpectBusy(const std::string& destination) {
        request.DestinationFolder = destination;
        try {
            Run();
            ADD_FAILURE() << "a second run was let into " << destination;
        } catch (const DestinationBusyError& e) {
            EXPECT_EQ(std::string(e.what()), texts::DestinationBusy + destination);
        }
    }

    // What the last complete run left, as the profile keeps it.
    void Remember() {
        request.LastRunToken = result.RunToken;
        request.LastRunMount = result.DestinationMount;
    }
};

TEST_F(NetworkDrivesTest, TwoMachinesWritingThroughTwoMountsOfOneShareAreKeptApart) {
    std::string why;
    if (!SshfsMount::Available(why))
        GTEST_SKIP() << why;
    SshfsMount share(true);
    const std::string lockFile = share.ServerFolder() + "/" + OwnFolderName + "/" + LockFileName;
    WriteFile(src + "/a.txt", "a");

    // A run of this machine through one mount holds the share for a run through the other mount.
    const pid_t first = StartHeldRun(share.MountPoint(), false);
    ASSERT_GT(first, 0);
    ExpectBusy(share.SecondMountPoint());
    EXPECT_FALSE(PathExists(share.ServerFolder() + "/a.txt"));
    // Killed, it leaves its lock file; its process is gone, so the next run takes the share.
    kill(first, SIGKILL);
    WaitForChild(first);
    EXPECT_TRUE(PathExists(lockFile));
    EXPECT_EQ(Run(), 1);
    EXPECT_FALSE(PathExists(lockFile));

    // Another machine's lock file says nothing this machine can check but its age.
    const pid_t other = StartHeldRun(share.SecondMountPoint(), true);
    ASSERT_GT(other, 0);
    kill(other, SIGKILL);
    WaitForChild(other);
    ExpectBusy(share.MountPoint());
    const int64_t unrenewed =
        Now() - std::chrono::duration_cast<std::chrono::nanoseconds>(LockStaleAfter).count() - 60'000'000'000;
    SetWriteTime(share.MountPoint() + "/" + OwnFolderName + "/" + LockFileName, unrenewed);
    WriteFile(src + "/b.txt", "b");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(share.ServerFolder() + "/b.txt"), "b");
    EXPECT_FALSE(PathExists(lockFile));
}

TEST_F(NetworkDrivesTest, OnSshfsFastRunsMissNothingCopiesAreRepairedAndAGoneMountIsRefused) {
    std::string why;
    if (!SshfsMount::Available(why))
        GTEST_SKIP() << why;
    SshfsMount share;
    // A source on the share: it reports the write time as the change time, so a file unpacked with its
    // old time into a folder that gets its old time back (as an archive restores both) looks no newer
    // than the last run.
    const std::string remote = share.MountPoint() + "/docs";
    mkdir(remote.c_str(), 0755);
    mkdir((remote + "/inbox").c_str(), 0755);
    WriteFile(remote + "/inbox/a.txt", "a");
    request.SourceFolder = remote;
    EXPECT_EQ(Run(), 1);
    FastFrom(Now());
    WriteFile(remote + "/inbox/unpacked.txt", "from an archive");
    SetWriteTime(remote + "/inbox/unpacked.txt", 1'500'000'000'000'000'000);
    SetWriteTime(remote + "/inbox", 1'500'000'000'000'000'000);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(dst + "/inbox/unpacked.txt"), "from an archive");
    EXPECT_EQ(result.Notices, Lines{texts::NoChangeTimes + remote});

    // The share as the destination: a copy cut short there with a newer time is written again.
    request = BackupRequest();
    request.SourceFolder = src;
    request.DestinationFolder = share.MountPoint();
    WriteFile(src + "/report.txt", "the whole report");
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(truncate((share.MountPoint() + "/report.txt").c_str(), 0), 0);
    SetWriteTime(share.MountPoint() + "/report.txt", Now() + 60'000'000'000);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(share.ServerFolder() + "/report.txt"), "the whole report");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(result.Notices.empty());
    Remember();

    // Unmounted, its mount point is an empty folder on the local disk: nothing is written there.
    share.Unmount();
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(result.DestinationMissing);
    EXPECT_EQ(host.Texts("message"), Lines{texts::DriveGone + share.MountPoint()});
    EXPECT_EQ(ListFolder(share.MountPoint()), "");
    EXPECT_FALSE(PathExists(share.MountPoint() + "/" + OwnFolderName));
}

TEST_F(NetworkDrivesTest, OnRcloneThePreviousVersionOfALargeFileIsKept) {
    std::string why;
    if (!RcloneMount::Available(why))
        GTEST_SKIP() << why;
    RcloneMount remote;
    const std::string big = remote.MountPoint() + "/disk.img";
    const std::string parked = remote.MountPoint() + "/disk.~TMP";
    request.DestinationFolder = remote.MountPoint();
    request.RecoveryThreshold = 1'000'000;
    MakeFile(src + "/disk.img", 3'000'000, 'a');
    EXPECT_EQ(Run(), 1);
    EXPECT_FALSE(KeepsChangeTimesAt(remote.MountPoint()));

    // No hard links here (EIO): the previous version is renamed to its parked name.
    MakeFile(src + "/disk.img", 3'000'001, 'b');
    const std::string first = ReadFile(big);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(parked), first);
    EXPECT_EQ(ReadFile(big), ReadFile(src + "/disk.img"));

    // A remote that cannot move a file within itself either: the previous version is copied.
    SetParkingRenameForTesting([](int, const char*, int, const char*) {
        errno = EIO;
        return -1;
    });
    struct Restore {
        ~Restore() { SetParkingRenameForTesting(nullptr); }
    } restore;
    // Times are read before contents: opening a file rclone has yet to upload may stamp the time of its
    // last write on it.
    MakeFile(src + "/disk.img", 3'000'002, 'c');
    const int64_t secondTime = WriteTimeOf(big);
    const std::string second = ReadFile(big);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(WriteTimeOf(parked), secondTime);
    EXPECT_EQ(ReadFile(parked), second);
    EXPECT_EQ(ReadFile(big), ReadFile(src + "/disk.img"));

    // A copy aborted halfway leaves the previous version where it was, and no parked copy.
    MakeFile(src + "/disk.img", 3'000'003, 'd');
    const std::string third = ReadFile(big);
    host.onUpdate = [&](const RecordingHost::Call& c) {
        if (c.lower.find("Kバイト") != std::string::npos)
            host.RequestAbort();
    };
    host.continueAnswers = {ContinueAnswer::Cancel};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(big), third);
    EXPECT_FALSE(PathExists(parked));
    host.onUpdate = nullptr;
    EXPECT_EQ(Run(), 1);
    Remember();

    // Unmounted, its mount point is an empty folder on the local disk: nothing is written there.
    remote.Unmount();
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(result.DestinationMissing);
    EXPECT_EQ(ListFolder(remote.MountPoint()), "");
    EXPECT_FALSE(PathExists(remote.MountPoint() + "/" + OwnFolderName));
}

TEST_F(NetworkDrivesTest, OnAnSmbShareMountedThroughGvfsCopiesKeepTheSourceTimes) {
    std::string why;
    if (!SambaServer::Available(why) || !GvfsSession::Available(why))
        GTEST_SKIP() << why;
    SambaServer server;
    GvfsSession session;
    const std::string share =
        session.MountSmb(server.Url() + "/private", SambaServer::User, SambaServer::Password);
    request.DestinationFolder = share;
    // The share keeps whole seconds, and only a time set after the file is closed.
    const int64_t small = 1'700'000'001'123'456'789;
    const int64_t large = 1'700'000'003'987'654'321;
    WriteFile(src + "/small.txt", "small");
    SetWriteTime(src + "/small.txt", small);
    MakeFile(src + "/large.bin", 3'000'000);
    SetWriteTime(src + "/large.bin", large);
    EXPECT_EQ(Run(), 2);
    EXPECT_TRUE(failed.empty());
    EXPECT_FALSE(KeepsChangeTimesAt(share));
    // The server stamps a close after the program's close has returned: look once it has.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (const std::string& folder : {share, server.ShareFolder("private")}) {
        EXPECT_EQ(WriteTimeOf(folder + "/small.txt") / 1'000'000'000, small / 1'000'000'000) << folder;
        EXPECT_EQ(WriteTimeOf(folder + "/large.bin") / 1'000'000'000, large / 1'000'000'000) << folder;
    }
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(PathExists(server.ShareFolder("private") + "/" + OwnFolderName + "/" + LockFileName));

    // Earlier versions kept: with no hard links through GVfs, the replaced copy moves into the history.
    request.KeepHistory = true;
    request.StartTime = std::time(nullptr);
    WriteFile(src + "/small.txt", "changed");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(result.VersionsKept, 1);
    EXPECT_EQ(ReadFile(share + "/small.txt"), "changed");
    EXPECT_EQ(ReadFile(server.ShareFolder("private") + "/.hozonix/history/" +
                       HistoryRunName(request.StartTime) + "/small.txt"),
              "small");
}

} // namespace
