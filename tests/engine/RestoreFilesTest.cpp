// Restoring files from a backup with its history, on real folders.

#include "engine/RestoreFiles.h"
#include "base/AppError.h"
#include "engine/BackupVersions.h"
#include "engine/History.h"

#include "ChildProcess.h"
#include "EngineFiles.h"
#include "FakeDrive.h"
#include "RecordingHost.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::test {

namespace {

constexpr int64_t Second = 1'000'000'000;
constexpr std::time_t Base = 1'700'000'000;

int64_t At(std::time_t seconds, int64_t nanoseconds = 0) {
    return static_cast<int64_t>(seconds) * Second + nanoseconds;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

// Every entry below `folder` with its size and write time, so that two listings differ on any change.
std::string Tree(const std::string& folder) {
    std::string out;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder, ec)) {
        struct stat st {};
        lstat(e.path().c_str(), &st);
        out += e.path().string() + " " + std::to_string(st.st_size) + " " +
               std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_mtim.tv_sec) + "\n";
    }
    return out;
}

class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir / "src";
        dst = dir / "dst";
        mkdir(src.c_str(), 0755);
        mkdir(dst.c_str(), 0755);
        request.DestinationFolder = dst;
        request.SourceFolder = src;
    }

    std::string VersionPath(std::time_t run, const std::string& below) const {
        return dst + "/.hozonix/history/" + engine::HistoryRunName(run) + "/" + below;
    }
    // A file at `path` as a run leaves it: content, mode and write time.
    static void Put(const std::string& path, const std::string& content, int64_t time, mode_t mode) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFile(path, content);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        SetWriteTime(path, time);
    }
    // docs/a.txt: three versions kept by the runs at Base+1000, +2000 and +3000, and the copy in place,
    // each written to the source a while before the run that copied it.
    void ThreeVersions() {
        Put(VersionPath(Base + 1000, "docs/a.txt"), "first", At(Base + 100, 11), 0600);
        Put(VersionPath(Base + 2000, "docs/a.txt"), "second!", At(Base + 900, 22), 0640);
        Put(VersionPath(Base + 3000, "docs/a.txt"), "third version", At(Base + 1900, 33), 04755);
        Put(dst + "/docs/a.txt", "the latest", At(Base + 2900, 44), 0644);
    }
    void Restore() {
        result = {};
        host.calls.clear();
        engine::RestoreFiles(request, host, result);
    }
    // A restore killed in the middle of a file's copy.
    void KilledMidCopy() {
        host.onUpdate = [](const RecordingHost::Call& call) {
            if (call.lower.find("Kバイト") != std::string::npos)
                raise(SIGKILL);
        };
        EXPECT_EQ(RunInChild([this] {
                      Restore();
                      return 0;
                  }),
                  128 + SIGKILL);
    }

    TempFolder dir;
    std::string src;
    std::string dst;
    engine::RestoreRequest request;
    engine::RestoreResult result;
    RecordingHost host;
};

} // namespace

TEST_F(RestoreTest, EachMomentGivesTheVersionInPlaceThen) {
    ThreeVersions();
    Put(dst + "/docs/b.txt", "only now", At(Base + 2950), 0644);
    const std::string history = Tree(dst + "/.hozonix/history");

    const engine::BackupTree tree(dst);
    const std::vector<engine::BackupVersion> versions = tree.Versions("docs/a.txt");
    ASSERT_EQ(versions.size(), 4u);
    EXPECT_TRUE(versions[0].Current());
    EXPECT_EQ(versions[1].replaced, Base + 3000); // newest first
    EXPECT_EQ(versions[3].writeTime, At(Base + 100, 11));

    struct Case {
        int64_t moment;
        std::string content; // "" : none then
        int64_t time;
        mode_t mode;
    };
    const Case cases[] = {
        {At(Base + 50), "", 0, 0},
        {At(Base + 500), "first", At(Base + 100, 11), 0600},
        {At(Base + 950), "first", At(Base + 100, 11), 0600}, // written, but not yet copied
        {At(Base + 1500), "second!", At(Base + 900, 22), 0640},
        {At(Base + 2500), "third version", At(Base + 1900, 33), 04755},
        {At(Base + 3500), "the latest", At(Base + 2900, 44), 0644},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moment);
        request.TargetFolder = dir / ("to" + std::to_string(++n));
        request.AsOf = c.moment;
        request.Paths = {"docs"};
        Restore();
        const std::string restored = request.TargetFolder + "/docs/a.txt";
        if (c.content.empty()) {
            EXPECT_FALSE(PathExists(restored));
            EXPECT_EQ(result.NotThen, 2);
            continue;
        }
        EXPECT_EQ(ReadFile(restored), c.content);
        EXPECT_EQ(ModeOf(restored), c.mode);
        EXPECT_EQ(WriteTimeOf(restored), c.time);
        // b.txt came only after the last run but one.
        EXPECT_EQ(PathExists(request.TargetFolder + "/docs/b.txt"), c.moment > At(Base + 2950));
        EXPECT_TRUE(result.Failed.empty() && result.Skipped.empty());
    }
    // A file asked for by name that was not there then is listed; the latest is the copy in place.
    request.TargetFolder.clear();
    request.AsOf = At(Base + 500);
    request.Paths = {"docs/b.txt", "docs/missing.txt"};
    Restore();
    ASSERT_EQ(result.Skipped.size(), 2u);
    EXPECT_NE(result.Skipped[0].path, result.Skipped[1].path);
    EXPECT_NE(result.Skipped[0].reason, result.Skipped[1].reason); // not then, not at all
    for (const engine::RestoreItem& item : result.Skipped)
        EXPECT_TRUE(item.path == src + "/docs/b.txt" || item.path == src + "/docs/missing.txt") << item.path;
    request.AsOf.reset();
    request.Paths = {};
    Restore();
    EXPECT_EQ(ReadFile(src + "/docs/a.txt"), "the latest");
    EXPECT_EQ(result.Restored.size(), 2u);
    // Copied out, never moved: the history is as it was.
    EXPECT_EQ(Tree(dst + "/.hozonix/history"), history);
}

TEST_F(RestoreTest, AFileAtTheTargetIsReplacedOnlyAsAskedAndKeptAside) {
    ThreeVersions();
    const std::string target = src + "/docs/a.txt";
    Put(target, "edited since", At(Base + 5000), 0644);
    std::vector<std::string> asked;
    bool answer = false;
    request.ReplaceNewer = [&](const std::string& path, int64_t targetTime, int64_t versionTime) {
        asked.push_back(path);
        EXPECT_GT(targetTime, versionTime);
        return answer;
    };

    Restore(); // newer than the latest copy: asked, answered no
    EXPECT_EQ(asked, std::vector<std::string>{target});
    ASSERT_EQ(result.Skipped.size(), 1u);
    EXPECT_EQ(result.Skipped[0].path, target);
    EXPECT_EQ(ReadFile(target), "edited since");

    answer = true;
    request.Started = Base + 7000;
    Restore();
    EXPECT_EQ(ReadFile(target), "the latest");
    ASSERT_EQ(result.KeptAside.size(), 1u);
    const std::string aside = src + "/docs/" + engine::KeptAsideName("a.txt", Base + 7000);
    EXPECT_EQ(result.KeptAside[0], aside);
    EXPECT_EQ(ReadFile(aside), "edited since");

    // Already as restored: left alone. An older, different file is replaced unasked, kept aside too.
    asked.clear();
    Restore();
    EXPECT_EQ(result.Unchanged, 1);
    EXPECT_TRUE(result.Restored.empty());
    Put(target, "older", At(Base + 10), 0644);
    request.AsOf = At(Base + 1500);
    Restore();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(ReadFile(target), "second!");
    ASSERT_EQ(result.KeptAside.size(), 1u);
    EXPECT_NE(result.KeptAside[0], aside); // a second one in the same second
    EXPECT_EQ(ReadFile(result.KeptAside[0]), "older");
    EXPECT_EQ(ReadFile(aside), "edited since");

    // A long name is shortened, never cut inside a character.
    std::string longName;
    for (int i = 0; i < 80; ++i)
        longName += "\xe3\x81\x82"; // あ
    const std::string shortened = engine::KeptAsideName(longName, Base);
    EXPECT_LE(shortened.size(), 255u);
    EXPECT_TRUE(shortened.ends_with(".before-restore"));
    const std::size_t kept = shortened.size() - engine::KeptAsideName("", Base).size();
    EXPECT_GT(kept, 150u);
    EXPECT_EQ(kept % 3, 0u);
}

TEST_F(RestoreTest, NothingIsWrittenOutsideTheTarget) {
    ThreeVersions();
    Put(dst + "/docs/sub/c.txt", "c", At(Base), 0644);
    Put(dst + "/top.txt", "top", At(Base), 0644);
    const std::string outside = dir / "outside";
    mkdir(outside.c_str(), 0755);
    WriteFile(outside + "/top.txt", "theirs");
    // A link in a folder's place and one in a file's place, both pointing out of the target.
    ASSERT_EQ(symlink(outside.c_str(), (src + "/docs").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/top.txt").c_str(), (src + "/top.txt").c_str()), 0);
    const std::string before = Tree(outside);

    request.Paths = {"docs", "top.txt", "../outside/x", "/etc/passwd", "docs/../../outside/top.txt"};
    Restore();
    EXPECT_EQ(Tree(outside), before);
    EXPECT_EQ(ReadFile(outside + "/top.txt"), "theirs");
    EXPECT_TRUE(result.Restored.empty());
    EXPECT_EQ(result.Failed.size(), 6u); // a.txt, sub/c.txt, top.txt and the three paths leading out

    // The backup itself is never a target.
    request.TargetFolder = dst + "/docs";
    EXPECT_THROW(Restore(), AppError);
}

TEST_F(RestoreTest, ADryRunWritesNothing) {
    ThreeVersions();
    Put(src + "/docs/a.txt", "edited since", At(Base + 5000), 0644);
    request.ReplaceNewer = [](const std::string&, int64_t, int64_t) { return true; };
    request.DryRun = true;
    const std::string sourceBefore = Tree(src);
    const std::string backupBefore = Tree(dst);
    Restore();
    ASSERT_EQ(result.Skipped.size(), 1u); // asks nobody: a newer file stays
    request.AsOf = At(Base + 1500);
    request.TargetFolder = dir / "new/folder"; // not even made
    Restore();
    EXPECT_EQ(result.Restored, std::vector<std::string>{dir / "new/folder/docs/a.txt"});
    EXPECT_EQ(Tree(src), sourceBefore);
    EXPECT_EQ(Tree(dst), backupBefore);
    EXPECT_FALSE(PathExists(dir / "new"));
}

TEST_F(RestoreTest, AnInterruptedRestoreLeavesTheTargetAndTheHistory) {
    const std::string version = VersionPath(Base + 1000, "big.bin");
    std::filesystem::create_directories(std::filesystem::path(version).parent_path());
    MakeFile(version, 20'000'000, 'v');
    SetWriteTime(version, At(Base + 100));
    Put(dst + "/big.bin", "current", At(Base + 900), 0644);
    Put(src + "/big.bin", "previous", At(Base + 50), 0644);
    const ino_t inode = InodeOf(version);
    const std::string history = Tree(dst + "/.hozonix/history");
    request.AsOf = At(Base + 500);

    // Stopped from the processing dialog in the middle of the copy.
    host.onUpdate = [this](const RecordingHost::Call& call) {
        if (call.lower.find("Kバイト") != std::string::npos)
            host.RequestAbort();
    };
    Restore();
    EXPECT_TRUE(result.Stopped);
    EXPECT_EQ(ReadFile(src + "/big.bin"), "previous");
    EXPECT_EQ(ListFolder(src), "big.bin"); // the temporary file went

    // Killed in the middle of the copy.
    KilledMidCopy();
    EXPECT_EQ(ReadFile(src + "/big.bin"), "previous");
    EXPECT_EQ(ListFolder(src), "big.bin"); // the file being written had no name yet
    EXPECT_EQ(InodeOf(version), inode);
    EXPECT_EQ(Tree(dst + "/.hozonix/history"), history);

    // And then done.
    host.onUpdate = nullptr;
    Restore();
    EXPECT_EQ(SizeOf(src + "/big.bin"), 20'000'000);
    EXPECT_EQ(WriteTimeOf(src + "/big.bin"), At(Base + 100));
    EXPECT_EQ(ReadFile(result.KeptAside.at(0)), "previous");
}

TEST_F(RestoreTest, WhatAKilledRestoreLeftOnADriveWithoutUnnamedFilesGoesWithTheNextRestore) {
    const std::string version = VersionPath(Base + 1000, "big.bin");
    std::filesystem::create_directories(std::filesystem::path(version).parent_path());
    MakeFile(version, 20'000'000, 'v');
    SetWriteTime(version, At(Base + 100));
    Put(dst + "/big.bin", "current", At(Base + 900), 0644);
    const std::string to = dir / "to";
    const std::string backing = dir / "backing";
    const std::string marks = dir / "marks";
    for (const std::string& folder : {to, backing, marks})
        mkdir(folder.c_str(), 0755);
    FakeDrive drive(backing, to, {});
    std::string whyNot;
    if (!drive.Start(&whyNot))
        GTEST_SKIP() << whyNot;
    WriteFile(to + "/.big.bin.hozonix-1-1.tmp", "not from a restore that was recorded");
    request.TargetFolder = to;
    request.AsOf = At(Base + 500);
    request.MarkFolder = marks;
    request.ProfileName = "docs";

    KilledMidCopy();
    const std::string left = ListFolder(to);
    EXPECT_NE(left, ".big.bin.hozonix-1-1.tmp"); // a named temporary file stayed

    host.onUpdate = nullptr;
    Restore();
    EXPECT_EQ(SizeOf(to + "/big.bin"), 20'000'000);
    EXPECT_EQ(ListFolder(to), ".big.bin.hozonix-1-1.tmp big.bin"); // only what no restore made stays
    EXPECT_EQ(ListFolder(marks + "/RESTORING"), "");
}

} // namespace hozonix::test
