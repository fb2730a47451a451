// Earlier versions kept in the destination's history: kept on replacement, never on a dry run or when
// off, put back when a copy does not complete, pruned by age and by count, and a killed prune loses
// nothing it should keep.
#include "engine/History.h"
#include "base/AppError.h"
#include "engine/Recovery.h"
#include "engine/RestoreFiles.h"
#include "engine/UnfinishedRunMark.h"

#include "ChildProcess.h"
#include "FakeDrive.h"
#include "RunFixture.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

constexpr std::time_t Day = 24 * 60 * 60;

// A file system without hard links.
int NoLinks(int, const char*, int, const char*, int) {
    errno = EPERM;
    return -1;
}

class HistoryTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        request.KeepHistory = true;
        history = dst + "/.hozonix/history/";
    }
    // Writes `content` into the source file and runs as of `start`, the source newer than its copy.
    void ChangeAndRun(const std::string& relative, const std::string& content, std::time_t start) {
        WriteFile(src + "/" + relative, content);
        SetWriteTimeSeconds(src + "/" + relative, start);
        request.StartTime = start;
        Run();
    }
    std::string Kept(std::time_t start, const std::string& relative) {
        return ReadFile(history + HistoryRunName(start) + "/" + relative);
    }
    bool HasRun(std::time_t start) { return access((history + HistoryRunName(start)).c_str(), F_OK) == 0; }
    PruneResult Prune(const HistoryLimits& limits, std::time_t now) {
        const int root = open(dst.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const PruneResult pruned = PruneHistory(root, limits, now);
        close(root);
        return pruned;
    }

    std::string history;
    const std::time_t t0 = std::time(nullptr) - 10 * Day;
};

TEST_F(HistoryTest, EachReplacedCopyIsKeptUnderItsRunAndTheLimitsPruneByCount) {
    MakeFolder("d");
    request.History.versions = 3;
    ChangeAndRun("d/f.txt", "v1", t0);
    EXPECT_FALSE(HasRun(t0)); // nothing replaced, nothing kept
    for (int k = 2; k <= 4; ++k)
        ChangeAndRun("d/f.txt", "v" + std::to_string(k), t0 + k * 60);
    EXPECT_EQ(result.VersionsKept, 1);
    EXPECT_EQ(Kept(t0 + 2 * 60, "d/f.txt"), "v1");
    EXPECT_EQ(Kept(t0 + 3 * 60, "d/f.txt"), "v2");
    EXPECT_EQ(Kept(t0 + 4 * 60, "d/f.txt"), "v3");
    EXPECT_EQ(ReadFile(dst + "/d/f.txt"), "v4");
    EXPECT_EQ(updated, Lines{src + "/d/f.txt"}); // the history is not counted as written

    // The fourth kept version: only the three newest stay, and the run folder emptied goes.
    ChangeAndRun("d/f.txt", "v5", t0 + 5 * 60);
    EXPECT_EQ(result.VersionsPruned, 1);
    EXPECT_FALSE(HasRun(t0 + 2 * 60));
    EXPECT_EQ(Kept(t0 + 3 * 60, "d/f.txt"), "v2");
    EXPECT_EQ(Kept(t0 + 5 * 60, "d/f.txt"), "v4");
    // The scan never takes the history for source files.
    EXPECT_EQ(ListFolder(dst), "d");
}

TEST_F(HistoryTest, VersionsOlderThanTheLimitGoWithTheirRunFolder) {
    WriteFile(src + "/old.txt", "x");
    WriteFile(src + "/new.txt", "x");
    const std::time_t now = std::time(nullptr);
    for (const std::time_t start : {now - 40 * Day, now - 20 * Day}) {
        mkdir((dst + "/.hozonix").c_str(), 0755);
        mkdir(history.c_str(), 0700);
        mkdir((history + HistoryRunName(start)).c_str(), 0700);
        mkdir((history + HistoryRunName(start) + "/sub").c_str(), 0755);
        WriteFile(history + HistoryRunName(start) + "/sub/a.txt", "old");
    }
    symlink("/etc", (history + HistoryRunName(now - 40 * Day) + "/sub/link").c_str());
    const PruneResult pruned = Prune({30, 10}, now);
    EXPECT_EQ(pruned.removed, 2); // the file and the link, which is not followed
    EXPECT_FALSE(HasRun(now - 40 * Day));
    EXPECT_EQ(Kept(now - 20 * Day, "sub/a.txt"), "old");
}

TEST_F(HistoryTest, DryRunsAndProfilesWithoutHistoryKeepNothing) {
    WriteFile(dst + "/f.txt", "old");
    SetWriteTimeSeconds(dst + "/f.txt", t0);
    request.DryRun = true;
    ChangeAndRun("f.txt", "new", t0 + 60);
    request.DryRun = false;
    request.KeepHistory = false;
    ChangeAndRun("f.txt", "new", t0 + 120);
    EXPECT_EQ(ReadFile(dst + "/f.txt"), "new");
    EXPECT_EQ(access(history.c_str(), F_OK), -1);
}

TEST_F(HistoryTest, ACopyThatDoesNotCompleteTakesItsKeptVersionBack) {
    WriteFile(dst + "/big.img", "previous");
    SetWriteTimeSeconds(dst + "/big.img", t0);
    MakeFile(src + "/big.img", 5'000'000);
    request.StartTime = t0 + 60;
    host.continueAnswers = {ContinueAnswer::NoToAll};
    // With hard links, and where there are none (the previous copy is moved into the history).
    for (const bool links : {true, false}) {
        host.onUpdate = [this, blocks = 0](const RecordingHost::Call& c) mutable {
            if (c.lower.find("Kバイト") != std::string::npos && ++blocks == 2)
                host.RequestAbort();
        };
        SetParkingLinkForTesting(links ? nullptr : NoLinks);
        Run();
        SetParkingLinkForTesting(nullptr);
        EXPECT_TRUE(ReadFile(dst + "/big.img") == "previous") << links;
        EXPECT_EQ(ListFolder(history + HistoryRunName(t0 + 60)), "") << links;
        EXPECT_EQ(result.VersionsKept, 0);
    }
}

TEST_F(HistoryTest, AVersionMovedAsideByARunThatWasKilledIsPutBack) {
    // No hard links: the previous copy is renamed into the history, recorded in the run's mark first.
    const std::string marks = dir / "marks";
    mkdir(marks.c_str(), 0700);
    request.RunMarkFolder = marks;
    request.ProfileName = "p";
    WriteFile(dst + "/f.txt", "previous");
    {
        UnfinishedRunMark mark(marks, "p");
        ASSERT_TRUE(mark.Set());
        const int root = open(dst.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int folder = open(dst.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        HistoryKeeper keeper(root, dst, t0, mark);
        SetParkingLinkForTesting(NoLinks);
        EXPECT_EQ(keeper.Keep(folder, dst + "/f.txt"), HistoryKeeper::Kept::Renamed);
        SetParkingLinkForTesting(nullptr);
        close(folder);
        close(root);
        // Killed here: the mark stays, the target is missing.
    }
    EXPECT_EQ(access((dst + "/f.txt").c_str(), F_OK), -1);
    request.StartTime = t0 + 60;
    Run();
    EXPECT_EQ(ReadFile(dst + "/f.txt"), "previous");
}

TEST_F(HistoryTest, AKilledPruneRemovesOnlyWhatTheLimitsLetGo) {
    // 6 runs of 300 files each; 2 versions of each path stay.
    const std::time_t now = std::time(nullptr);
    mkdir((dst + "/.hozonix").c_str(), 0755);
    mkdir(history.c_str(), 0700);
    for (int r = 0; r < 6; ++r) {
        const std::string run = history + HistoryRunName(now - Day + r * 60) + "/";
        mkdir(run.c_str(), 0700);
        for (int f = 0; f < 300; ++f)
            WriteFile(run + "f" + std::to_string(f), std::to_string(r));
    }
    const pid_t child = StartChild([&] {
        Prune({30, 2}, now);
        return 0;
    });
    usleep(10'000);
    kill(child, SIGKILL);
    WaitForChild(child);
    for (int r = 4; r < 6; ++r) {
        for (int f = 0; f < 300; ++f)
            ASSERT_EQ(Kept(now - Day + r * 60, "f" + std::to_string(f)), std::to_string(r));
    }
    // Run again, it finishes the work.
    Prune({30, 2}, now);
    for (int r = 0; r < 4; ++r)
        EXPECT_FALSE(HasRun(now - Day + r * 60)) << r;
    EXPECT_EQ(Kept(now - Day + 5 * 60, "f299"), "5");
}

TEST(HistoryNames, RunFolderNamesReadBackAndOthersAreNotRuns) {
    const std::time_t t = 1'765'000'000;
    EXPECT_EQ(HistoryRunTime(HistoryRunName(t)), t);
    EXPECT_EQ(HistoryRunTime(HistoryRunName(t) + "_2"), t);
    for (const char* other : {"2026-12-09_21160", "2026-13-09_211605", "2026-12-09_211605_1",
                              "2026-12-09_211605x", "lock", "2026-12-09-211605"})
        EXPECT_FALSE(HistoryRunTime(other)) << other;
}

} // namespace

TEST_F(HistoryTest, AnEarlierVersionRestoredToItsPlaceIsWhatTheBackupHoldsFromThen) {
    // On a drive with hard links, and on one without (where the version is copied into place).
    for (const bool links : {true, false}) {
        SCOPED_TRACE(links);
        std::unique_ptr<FakeDrive> drive;
        if (!links) {
            std::filesystem::remove_all(dst);
            std::filesystem::remove_all(src);
            mkdir(dst.c_str(), 0755);
            mkdir(src.c_str(), 0755);
            const std::string backing = dir / "backing";
            mkdir(backing.c_str(), 0755);
            drive = std::make_unique<FakeDrive>(backing, dst, std::vector<std::string>{"--no-links=EPERM"});
            std::string whyNot;
            if (!drive->Start(&whyNot))
                GTEST_SKIP() << whyNot;
        }
        for (int k = 1; k <= 3; ++k)
            ChangeAndRun("f.txt", "v" + std::to_string(k), t0 + k * 60);

        engine::RestoreRequest restore;
        restore.DestinationFolder = dst;
        restore.SourceFolder = src;
        restore.AsOf = static_cast<int64_t>(t0 + 90) * 1'000'000'000; // v1 was in place then
        restore.Started = t0 + 500;
        restore.ReplaceNewer = [](const std::string&, int64_t, int64_t) { return true; };
        engine::RestoreResult restored;
        engine::RestoreFiles(restore, host, restored);
        ASSERT_EQ(ReadFile(src + "/f.txt"), "v1");
        EXPECT_EQ(restored.MadeCurrent, 1);
        EXPECT_TRUE(restored.Failed.empty());

        // The next careful run finds the backup as the source is, the newer copy kept in the history.
        request.StartTime = t0 + 600;
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(ReadFile(dst + "/f.txt"), "v1");
        EXPECT_EQ(WriteTimeOf(dst + "/f.txt"), WriteTimeOf(src + "/f.txt"));
        EXPECT_EQ(Kept(t0 + 500, "f.txt"), "v3");
        EXPECT_EQ(Kept(t0 + 120, "f.txt"), "v1"); // the version restored stays where it was
        ChangeAndRun("f.txt", "v4", t0 + 700);
        EXPECT_EQ(Kept(t0 + 700, "f.txt"), "v1");
        EXPECT_EQ(ReadFile(dst + "/f.txt"), "v4");
    }
}
