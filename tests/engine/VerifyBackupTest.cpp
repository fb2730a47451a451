// Checking a backup against its source: every kind of difference found with its reason, nothing else.
#include "engine/VerifyBackup.h"
#include "base/AppError.h"
#include "engine/DestinationLock.h"
#include "engine/EngineTexts.h"

#include "ChildProcess.h"
#include "RunFixture.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

class VerifyBackupTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        check.SourceFolder = src;
        check.DestinationFolder = dst;
        check.ScanQuietFor = std::chrono::hours(1); // the host is only asked while files are compared
    }

    // The differences as "path (reason)", sorted: the scan's order is the file system's.
    Lines Verify() {
        host.calls.clear();
        host.pendingCount = 0;
        VerifyBackup(check, host, verified);
        Lines lines = WithReasons(verified.Differences, verified.Reasons, " (", ")").ToVector();
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // Changes byte `at` of `path`, keeping its size and time.
    static void FlipByte(const std::string& path, off_t at) {
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        const int fd = open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        char c = 0;
        ASSERT_EQ(pread(fd, &c, 1, at), 1);
        c = static_cast<char>(c ^ 0x20);
        ASSERT_EQ(pwrite(fd, &c, 1, at), 1);
        close(fd);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    VerifyRequest check;
    VerifyResult verified;
};

TEST_F(VerifyBackupTest, EachKindOfDifferenceIsFoundWithItsReasonAndMatchingCopiesAreNot) {
    MakeFolder("sub");
    MakeFolder("linked");
    for (const char* name : {"same.txt", "flipped.txt", "missing.txt", "newer.txt", "shorter.txt",
                             "folder.txt", "fifo.txt", "sub/same.txt", "linked/f.txt", "old.bak", ".hidden"})
        WriteFile(src + "/" + name, std::string("contents of ") + name);
    ASSERT_EQ(Run(), 11 - 1); // the hidden file is no part of a backup
    FlipByte(dst + "/flipped.txt", 3);
    unlink((dst + "/missing.txt").c_str());
    WriteFile(src + "/newer.txt", "changed after the backup");
    SetWriteTime(src + "/newer.txt", WriteTimeOf(dst + "/newer.txt") + 1'000'000'000);
    const int64_t shorterTime = WriteTimeOf(dst + "/shorter.txt");
    WriteFile(dst + "/shorter.txt", "cut");
    SetWriteTime(dst + "/shorter.txt", shorterTime);
    for (const char* name : {"folder.txt", "fifo.txt"})
        unlink((dst + "/" + name).c_str());
    mkdir((dst + "/folder.txt").c_str(), 0755);
    ASSERT_EQ(mkfifo((dst + "/fifo.txt").c_str(), 0644), 0);
    // A copy's folder replaced by a link to an identical one is still not read through it.
    ASSERT_EQ(rename((dst + "/linked").c_str(), (dir / "elsewhere").c_str()), 0);
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dst + "/linked").c_str()), 0);
    FlipByte(dst + "/old.bak", 0);
    check.ExcludedExtensions = ".bak";

    for (const int readers : {0, 2}) {
        check.Readers = readers;
        EXPECT_EQ(Verify(), (Lines{src + "/fifo.txt (" + texts::NotAFileThere + ")",
                                   src + "/flipped.txt (" + texts::ContentDiffers + ")",
                                   src + "/folder.txt (" + texts::NotAFileThere + ")",
                                   src + "/linked/f.txt (" + texts::CopyFolderIsLink + ")",
                                   src + "/missing.txt (" + texts::CopyMissing + ")",
                                   src + "/newer.txt (" + texts::ChangedSinceBackup + ")",
                                   src + "/shorter.txt (" + texts::SizeDiffers + ")"}))
            << readers;
        EXPECT_EQ(verified.FilesFound, 10);
        EXPECT_EQ(verified.FilesExcluded, 1);
        EXPECT_EQ(verified.FilesChecked, 9);
        // Only pairs of the same size are read.
        EXPECT_EQ(verified.BytesCompared,
                  SizeOf(src + "/same.txt") + SizeOf(src + "/sub/same.txt") + SizeOf(src + "/flipped.txt"));
        EXPECT_FALSE(verified.Stopped);
        EXPECT_TRUE(host.Of("show").size() == 1 && host.calls.back().kind == "hide");
    }
    EXPECT_EQ(ListFolder(dir / "elsewhere"), "f.txt");

    if (!CanSwitchUser())
        GTEST_SKIP() << "an unreadable copy needs root to switch to an unprivileged user";
    chmod(dir.Path().c_str(), 0755);
    chmod((dst + "/same.txt").c_str(), 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    check.Readers = 2;
    const pid_t child = StartChild(
        [&] {
            RecordingHost quiet;
            VerifyResult r;
            VerifyBackup(check, quiet, r);
            std::string text;
            for (const std::string& line : WithReasons(r.Differences, r.Reasons, " (", ")"))
                text += line + "\n";
            return write(pipeFds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1;
        },
        Nobody);
    close(pipeFds[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    EXPECT_EQ(WaitForChild(child), 0);
    const std::string unreadable =
        src + "/same.txt (" + texts::CopyUnreadable + " (" + SystemErrorText(EACCES) + "))\n";
    EXPECT_NE(text.find(unreadable), std::string::npos) << text;
}

TEST_F(VerifyBackupTest, ABackupOfManyFilesMatchesUntilOneByteDeepInALargeFileChanges) {
    int64_t bytes = 0;
    for (int f = 0; f < 40; ++f) {
        MakeFolder("d" + std::to_string(f));
        for (int i = 0; i < 30; ++i) {
            const std::string path = src + "/d" + std::to_string(f) + "/" + std::to_string(i);
            MakeFile(path, i * 97, static_cast<char>('a' + i % 20));
            bytes += i * 97;
        }
    }
    MakeFile(src + "/large.bin", 5'000'000);
    bytes += 5'000'000;
    Run();
    for (const int readers : {0, 1, 2}) {
        check.Readers = readers;
        EXPECT_EQ(Verify(), Lines{}) << readers;
        EXPECT_EQ(verified.FilesChecked, 40 * 30 + 1);
        EXPECT_EQ(verified.BytesCompared, bytes);
        const std::vector<RecordingHost::Call> shown = host.Of("update");
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().lower, "照合済  100.0% [照合済 1201 / 1201]");
    }
    FlipByte(dst + "/large.bin", 3'500'000);
    FlipByte(dst + "/d39/29", 2000);
    for (const int readers : {0, 2}) {
        check.Readers = readers;
        EXPECT_EQ(Verify(), (Lines{src + "/d39/29 (" + texts::ContentDiffers + ")",
                                   src + "/large.bin (" + texts::ContentDiffers + ")"}));
    }
}

TEST_F(VerifyBackupTest, AnAbortStopsTheCheckWithinALargeFileAndBetweenFiles) {
    MakeFile(src + "/large.bin", 20'000'000);
    Run();
    // Read on this thread, the host is asked between blocks: the third answer ends the check.
    check.Readers = 0;
    host.onPending = [this](int n) {
        if (n == 3)
            host.RequestAbort();
    };
    EXPECT_EQ(Verify(), Lines{});
    EXPECT_TRUE(verified.Stopped);
    EXPECT_EQ(host.pendingCount, 3);
    EXPECT_EQ(verified.FilesChecked, 0);

    for (int i = 0; i < 2000; ++i)
        WriteFile(src + "/f" + std::to_string(i), "x");
    Run();
    check.Readers = 2;
    host.onPending = [this](int) { host.RequestAbort(); };
    Verify();
    EXPECT_TRUE(verified.Stopped);
    EXPECT_LT(verified.FilesChecked, 2001);
    EXPECT_EQ(host.calls.back().kind, "hide");
}

// A copy that went bad on the drive while the page cache still holds it as written: found all the same.
TEST_F(VerifyBackupTest, ACopyThatWentBadOnTheDriveBehindTheCacheIsFound) {
    if (!CanSwitchUser())
        GTEST_SKIP() << "a loop device needs root";
    const std::string image = dir / "fs.img";
    const std::string mount = dir / "mnt";
    mkdir(mount.c_str(), 0755);
    if (std::system(("truncate -s 16M " + image + " && mkfs.ext4 -q " + image + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no mkfs.ext4";
    const std::string content = "a marker found nowhere else on the drive" + std::string(60'000, 'x');
    WriteFile(src + "/f.bin", content);
    SetWriteTimeSeconds(src + "/f.bin", 1'700'000'000);

    const int status = RunInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            std::system(("mount -o loop " + image + " " + mount + " 2>/dev/null").c_str()) != 0)
            return 77;
        WriteFile(mount + "/f.bin", content);
        SetWriteTimeSeconds(mount + "/f.bin", 1'700'000'000);
        sync();
        if (ReadFile(mount + "/f.bin") != content) // now in the cache
            return 2;
        // The drive changes one byte under the file system: the image itself is written.
        const std::string bytes = ReadFile(image);
        const std::size_t at = bytes.find("a marker found");
        const int fd = open(image.c_str(), O_WRONLY);
        if (at == std::string::npos || fd < 0 || pwrite(fd, "A", 1, static_cast<off_t>(at)) != 1)
            return 3;
        close(fd);
        check.DestinationFolder = mount;
        const Lines found = Verify();
        umount2(mount.c_str(), MNT_DETACH);
        return found == Lines{src + "/f.bin (" + texts::ContentDiffers + ")"} ? 0 : 4;
    });
    if (status == 77)
        GTEST_SKIP() << "no mount namespace or loop device here";
    EXPECT_EQ(status, 0) << "2: not cached, 3: marker not on the image, 4: the bad copy was not found";
}

TEST_F(VerifyBackupTest, AMissingFolderOrADestinationInUseIsAnError) {
    const auto error = [this] {
        try {
            VerifyBackup(check, host, verified);
        } catch (const AppError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    check.DestinationFolder = dir / "unplugged";
    EXPECT_EQ(error(), texts::DestinationMissing + check.DestinationFolder);
    check.DestinationFolder = dst;
    check.SourceFolder = dir / "gone";
    EXPECT_EQ(error(), texts::SourceMissing + check.SourceFolder);
    check.SourceFolder = src;
    // A drive listed but not mounted leaves an empty mount point: refused, not read as all copies missing.
    const std::string point = std::filesystem::canonical(dst).string();
    check.DestinationFolder = point;
    check.Mounts.fstab = dir / "fstab";
    check.Mounts.mountInfo = dir / "mountinfo";
    WriteFile(check.Mounts.fstab, "UUID=1 / ext4 defaults 0 1\nLABEL=bak " + point + " ext4 noauto 0 2\n");
    WriteFile(check.Mounts.mountInfo, "1 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    EXPECT_EQ(error(), texts::DriveNotMounted + point);
    check.Mounts = {};
    check.DestinationFolder = dst;
    const DestinationLock held(dst);
    EXPECT_THROW(VerifyBackup(check, host, verified), DestinationBusyError);
}

} // namespace
