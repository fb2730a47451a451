// The runner's statuses and messages when runs meet each other, a crash, odd names or broken settings.
#include "RunnerTestFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::test;

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int64_t WriteSecondOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mtim.tv_sec;
}

TEST_F(RunnerTest, ADestinationInUseIsLeftAloneWithStatusFourAndTheOthersRun) {
    const std::string dst2 = dir / "dst2";
    mkdir(dst2.c_str(), 0755);
    StoreProfiles({{"Busy", src + ">>" + dst + ">><<"}, {"Free", src + ">>" + dst2 + ">><<"}});
    WriteFile(src + "/a.txt", "a");
    // Another run (here this process) holds the destination.
    const std::string before = FullListing(dst);
    const int held = open(dst.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const ProcessResult r = Run({"Busy", "Free"});
    close(held);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_TRUE(Contains(r.err, "別のバックアップがコピー先のディレクトリを使用中です\n" + dst)) << r.err;
    EXPECT_EQ(FullListing(dst), before);
    EXPECT_EQ(ReadFile(dst2 + "/a.txt"), "a");
    EXPECT_TRUE(LastRun("Busy").empty());
}

TEST_F(RunnerTest, ARunLeftUnfinishedByEitherProgramMakesTheNextOneCareful) {
    StoreProfile();
    WriteFile(src + "/a.txt", "a");
    SetWriteTime(src + "/a.txt", 1'600'000'000);
    ASSERT_EQ(Run({"Docs"}).status, 0);
    // The copy emptied by a power cut after a run that was killed; its time says it is up to date.
    WriteFile(dst + "/a.txt", "");
    SetWriteTime(dst + "/a.txt", WriteSecondOf(src + "/a.txt"));
    mkdir((dir / "RUNNING").c_str(), 0700);
    WriteFile(dir / "RUNNING/docs.run", "Docs\n"); // as the desktop program leaves it
    IniFile(settingsPath).WriteString("LAST_UpDateTime", "Docs", "2100/01/01 00:00:00");

    ProcessResult r = Run({"Docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Docs: the previous run did not end, so every file was compared")) << r.err;
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "a");
    EXPECT_FALSE(PathExists(dir / "RUNNING/docs.run"));
}

TEST_F(RunnerTest, NamesAreMatchedExactlyFirstAndAnAmbiguousOneIsAUsageError) {
    const std::string dst2 = dir / "dst2";
    mkdir(dst2.c_str(), 0755);
    StoreProfiles({{"Docs", src + ">>" + dst + ">><<"}, {"DOCS", src + ">>" + dst2 + ">><<"}});
    WriteFile(src + "/a.txt", "a");
    ProcessResult r = Run({"DOCS"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(PathExists(dst2 + "/a.txt"));
    EXPECT_FALSE(PathExists(dst + "/a.txt"));

    r = Run({"docs"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(
        Contains(r.err, "'docs' matches more than one profile when letter case is ignored: 'Docs', 'DOCS'"))
        << r.err;
    EXPECT_FALSE(PathExists(dst + "/a.txt"));
}

TEST_F(RunnerTest, BrokenProfilesAreToldAndTheRunsAfterThemGoOn) {
    const std::string dst2 = dir / "dst2";
    mkdir(dst2.c_str(), 0755);
    // "[old" was stored before such names were refused: its time cannot be a key of the settings file.
    StoreProfiles({{"NoSource", ">>" + dst + ">><<"},
                   {"[old", src + ">>" + dst + ">><<"},
                   {"Good", src + ">>" + dst2 + ">><<"}});
    WriteFile(src + "/a.txt", "a");
    ProcessResult r = Run({"NoSource", "[old", "Good"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(Contains(r.err, "保存プロファイル「NoSource」のコピー元のディレクトリが設定されていません"))
        << r.err;
    EXPECT_TRUE(Contains(r.err, "[old: the run's start time could not be stored: ")) << r.err;
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "a");
    EXPECT_EQ(ReadFile(dst2 + "/a.txt"), "a");
    EXPECT_FALSE(LastRun("Good").empty());

    // A source that has gone (a disk not mounted) is an error, never "nothing to update".
    StoreProfiles({{"Gone", dir / "unmounted" + ">>" + dst + ">><<"}});
    r = Run({"Gone"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "コピー元のディレクトリが存在しません\n" + dir / "unmounted")) << r.err;
    EXPECT_TRUE(LastRun("Gone").empty());
}

TEST_F(RunnerTest, KeepGoingListsWhatCannotBeWrittenAndEndsWithStatusOne) {
    StoreProfile();
    mkdir((src + "/locked").c_str(), 0755);
    WriteFile(src + "/locked/x.txt", "x");
    WriteFile(src + "/after.txt", "a");
    // A folder nobody may write into, not even root: an error a later run may not meet again.
    const std::string locked = dst + "/locked";
    mkdir(locked.c_str(), 0755);
    const int fd = open(locked.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    if (fd < 0 || ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags)) != 0) {
        if (fd >= 0)
            close(fd);
        GTEST_SKIP() << "no immutable folders here";
    }
    ProcessResult r = Run({"Docs"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "Cannot create file " + locked + "/x.txt\nOperation not permitted")) << r.err;
    r = Run({"--keep-going", "Docs"});
    flags &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
    close(fd);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Contains(r.out, "Failed files (1):\n  " + src + "/locked/x.txt (Operation not permitted)\n"))
        << r.out;
    EXPECT_EQ(ReadFile(dst + "/after.txt"), "a");
    EXPECT_TRUE(LastRun().empty());

    // A folder where the copy of a file belongs is no copy of it, and no later run can cure that: the
    // file is listed with the reason, without --keep-going too, and the rest is backed up.
    std::system(("rm -rf " + src + "/locked").c_str());
    WriteFile(src + "/notes", "n");
    mkdir((dst + "/notes").c_str(), 0755);
    WriteFile(src + "/later.txt", "l");
    r = Run({"Docs"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(
        Contains(r.out, "Failed files (1):\n  " + src +
                            "/notes (コピー先の同じ場所にフォルダなど、ファイル以外のものがあります)\n"))
        << r.out;
    EXPECT_EQ(ReadFile(dst + "/later.txt"), "l");
    EXPECT_TRUE(LastRun().empty());
}

} // namespace
