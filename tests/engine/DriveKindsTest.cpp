// Backups onto the drives users plug in, imitated by a FUSE file system (FakeDrive): times kept in
// coarse steps, after close or not at all; names the drive cannot hold, or holds without letter case.
#include "engine/EngineTexts.h"
#include "engine/ScanFolder.h"

#include "FakeDrive.h"
#include "RunFixture.h"

#include <algorithm>
#include <map>
#include <set>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

class DriveKindsTest : public RunFixture {
protected:
    // Mounts a fake drive with `options` over the destination; false (after GTEST_SKIP) when it cannot.
    bool Mount(std::vector<std::string> options) {
        backing = dir / "backing";
        mkdir(backing.c_str(), 0755);
        drive = std::make_unique<FakeDrive>(backing, dst, std::move(options));
        std::string whyNot;
        if (drive->Start(&whyNot))
            return true;
        drive.reset();
        skipped = whyNot;
        return false;
    }
    void TearDown() override {
        drive.reset();
        RunFixture::TearDown();
    }
    std::set<std::pair<std::string, std::string>> Listed() const {
        std::set<std::pair<std::string, std::string>> out;
        for (const FailureReason& r : result.FailureReasons)
            out.emplace(failed[r.index], r.text);
        return out;
    }
    std::string backing;
    std::unique_ptr<FakeDrive> drive;
    std::string skipped;
};

TEST_F(DriveKindsTest, ACarefulRerunWritesNothingWhateverStepTheDriveKeepsTimesIn) {
    WriteFile(src + "/a.txt", "a");
    WriteFile(src + "/b.txt", "b");
    SetWriteTime(src + "/a.txt", 1'700'000'001'123'456'789); // an odd second with a fraction
    SetWriteTime(src + "/b.txt", 1'700'000'000'000'000'000);
    // 100 ns as NTFS keeps them, two seconds as FAT does, and a share whose close stamps its own time
    // over the one set on the open file.
    const std::pair<const char*, int64_t> drives[] = {
        {"--time-step=100", 100}, {"--time-step=2000000000", 2'000'000'000}, {"--times=close", 1}};
    for (const auto& [times, step] : drives) {
        SCOPED_TRACE(times);
        if (!Mount({times}))
            GTEST_SKIP() << skipped;
        EXPECT_EQ(Run(), 2);
        // The copy carries the source's time as the drive keeps it, not the time it was written.
        EXPECT_EQ(WriteTimeOf(dst + "/a.txt"), 1'700'000'001'123'456'789 / step * step);
        EXPECT_EQ(Run(), 0);
        EXPECT_TRUE(result.Notices.empty()) << result.Notices.front();
        drive.reset();
        std::system(("rm -rf " + backing).c_str());
    }
    // A drive that keeps no times at all is said to be one, once per run, and a copy there, which
    // carries the time it was written, counts only with the source's size.
    if (!Mount({"--times=ignore"}))
        GTEST_SKIP() << skipped;
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(result.Notices, Lines{texts::NoTimesKept + dst});
    WriteFile(src + "/a.txt", "a longer a");
    SetWriteTime(src + "/a.txt", 1'700'000'001'123'456'789);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "a longer a");
}

TEST_F(DriveKindsTest, EveryCopyIsCheckedToCarryTheSourcesTime) {
    // The trial of the drive happens in the program's own folder, on the disk of the destination folder;
    // below it lie drives that lose a time set on the open file, or keep none at all.
    const std::map<std::string, std::string> drives = {{"closes", "--times=close"},
                                                       {"ignores", "--times=ignore"}};
    std::vector<std::unique_ptr<FakeDrive>> mounted;
    for (const auto& [name, times] : drives) {
        MakeFolder(name);
        WriteFile(src + "/" + name + "/a.txt", "a");
        SetWriteTime(src + "/" + name + "/a.txt", 1'700'000'001'000'000'000);
        mkdir((dir / name).c_str(), 0755);
        mkdir((dst + "/" + name).c_str(), 0755);
        mounted.push_back(
            std::make_unique<FakeDrive>(dir / name, dst + "/" + name, std::vector<std::string>{times}));
        std::string whyNot;
        if (!mounted.back()->Start(&whyNot))
            GTEST_SKIP() << whyNot;
    }
    // A local FUSE layer passes change times on: fast runs from it stay fast.
    const int fd = open((dst + "/closes").c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_TRUE(KeepsChangeTimes(fd));
    close(fd);

    // The time lost at close is set again by name; the one that never takes makes the copy a failure.
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated, Lines{src + "/closes/a.txt"});
    EXPECT_EQ(WriteTimeOf(dst + "/closes/a.txt"), 1'700'000'001'000'000'000);
    EXPECT_EQ(Listed(),
              (std::set<std::pair<std::string, std::string>>{{src + "/ignores/a.txt", texts::TimeNotKept}}));
    EXPECT_EQ(ReadFile(dst + "/ignores/a.txt"), "a");
}

TEST_F(DriveKindsTest, NamesTheDriveCannotHoldAreListedEveryRunAndTheRestIsBackedUp) {
    for (const char* folder : {"Album: Live", "Docs", "docs", "ok"})
        MakeFolder(folder);
    for (const char* file : {"Artist: Song.mp3", "trailing.", "README.md", "readme.md", "Album: Live/1.mp3",
                             "Docs/a.txt", "docs/b.txt", "ok/fine.txt"})
        WriteFile(src + "/" + file, file);
    if (!Mount({"--windows-names", "--case-blind", "--no-links=EPERM"}))
        GTEST_SKIP() << skipped;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        EXPECT_EQ(Run(), run == 0 ? 3 : 0);
        EXPECT_FALSE(result.Stopped);
        EXPECT_TRUE(host.Texts("message").empty());
        std::set<std::pair<std::string, std::string>> listed = Listed();
        // Of the two folders that differ only in case, the one met second is the twin.
        const std::string twin =
            listed.contains({src + "/docs/b.txt", texts::FolderCaseTwin}) ? "docs/b.txt" : "Docs/a.txt";
        EXPECT_EQ(listed, (std::set<std::pair<std::string, std::string>>{
                              {src + "/Artist: Song.mp3", texts::NameNotStorable},
                              {src + "/trailing.", texts::NameNotStorable},
                              {src + "/readme.md", texts::CaseTwin}, // the smaller name wins in every run
                              {src + "/Album: Live/1.mp3", texts::NameNotStorable},
                              {src + "/" + twin, texts::FolderCaseTwin}}));
        EXPECT_EQ(failed.size(), 5u);
    }
    EXPECT_EQ(ReadFile(dst + "/README.md"), "README.md");
    EXPECT_EQ(ReadFile(dst + "/ok/fine.txt"), "ok/fine.txt");
    EXPECT_FALSE(PathExists(backing + "/trailing"));
}

} // namespace
