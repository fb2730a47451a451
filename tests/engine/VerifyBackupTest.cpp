// Checking a backup against its source: every kind of difference found with its reason, nothing else.
#include "engine/VerifyBackup.h"
#include "base/AppError.h"
#include "engine/DestinationLock.h"
#include "engine/EngineTexts.h"

#include "ChildProcess.h"
#include "RunFixture.h"

#include <algorithm>
#include <fcntl.h>
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
    const DestinationLock held(dst);
    EXPECT_THROW(VerifyBackup(check, host, verified), DestinationBusyError);
}

} // namespace
