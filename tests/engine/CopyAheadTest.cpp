#include "engine/CopyAhead.h"
#include "engine/CopyFile.h"
#include "engine/PathText.h"
#include "engine/ScanFolder.h"
#include "engine/TempTarget.h"

#include "RunFixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

constexpr int64_t T = 1'700'000'000'123'456'789;

int OpenDescriptors() {
    int count = 0;
    DIR* d = opendir("/proc/self/fd");
    while (dirent* e = readdir(d))
        count += e->d_name[0] != '.';
    closedir(d);
    return count;
}

class CopyAheadTest : public RunFixture {
protected:
    // `count` small files per folder, each with its own bytes and time.
    void MakeFiles(const std::string& folder, int count) {
        MakeFolder(folder);
        for (int i = 0; i < count; ++i) {
            const std::string path = src + "/" + folder + "/f" + std::to_string(i);
            WriteFile(path, folder + std::string(static_cast<std::size_t>(i) * 37 + 1,
                                                 static_cast<char>('a' + i % 26)));
            SetWriteTime(path, T + i);
        }
    }
    FileList Scan() {
        FileList files;
        ScanFolder(src, files, true, 0);
        return files;
    }
    // Every file under the destination, relative, with its bytes and time.
    std::map<std::string, std::pair<std::string, int64_t>> Copies(const std::string& root) {
        std::map<std::string, std::pair<std::string, int64_t>> out;
        FileList files;
        ScanFolder(root, files, true, 0);
        for (const FileEntry& f : files)
            out[f.path.substr(root.size() + 1)] = {ReadFile(f.path), WriteTimeOf(f.path)};
        return out;
    }
};

TEST_F(CopyAheadTest, OnlyNewSmallUnparkedFilesAreCopiedAheadAndNoneShowsBeforeItIsLinked) {
    MakeFiles("a", 12);
    MakeFiles("b", 3); // no folder in the destination yet
    MakeFile(src + "/a/large", ProgressThreshold + 1);
    MakeFile(src + "/a/parked", 5000);
    mkdir((dst + "/a").c_str(), 0755);
    WriteFile(dst + "/a/f3", "already there");
    const FileList files = Scan();
    const auto before = Copies(dst);

    CopyAhead ahead(files, src, dst, 4000, CopyAhead::Limits{128, 16 << 20, 1, 1000}, host.AbortFlag());
    EXPECT_EQ(ahead.Take(0), -1); // nothing is copied ahead before the loop writes a new file
    ahead.WaitUntilIdle();
    EXPECT_EQ(Copies(dst), before);

    mkdir((dst + "/b").c_str(), 0755); // as the loop would on reaching it
    int linked = 0;
    int expectedCount = 0;
    for (std::size_t i = 1; i < files.size(); ++i) {
        const std::string target = DestinationPathOf(files[i].path, src, dst);
        const std::string name = FileNameOf(target);
        const bool expected = name[0] == 'f' && name != "f3";
        expectedCount += expected;
        const int fd = ahead.Take(i);
        ASSERT_EQ(fd >= 0, expected) << files[i].path;
        if (fd < 0)
            continue;
        const int folderFd = open(FolderOf(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        TempTarget temp;
        temp.AdoptUnnamed(fd, folderFd);
        ASSERT_TRUE(temp.CommitAs(name)) << target;
        close(folderFd);
        EXPECT_EQ(ReadFile(target), ReadFile(files[i].path));
        EXPECT_EQ(WriteTimeOf(target), WriteTimeOf(files[i].path));
        ++linked;
    }
    EXPECT_GE(linked, 13); // all new small files but the first, which the loop took itself
    EXPECT_EQ(linked, expectedCount);
    EXPECT_EQ(ReadFile(dst + "/a/f3"), "already there");
}

TEST_F(CopyAheadTest, HoldsNoMoreThanItsLimitAndLeavesNothingOfWhatIsNotTaken) {
    MakeFiles("a", 40);
    const FileList files = Scan();
    const int descriptors = OpenDescriptors();
    {
        CopyAhead ahead(files, src, dst, 0, CopyAhead::Limits{5, 16 << 20, 2, 1000}, host.AbortFlag());
        ahead.Take(0);
        ahead.WaitUntilIdle();
        EXPECT_EQ(ahead.Held(), 5u);
        // The loop passes them all by (their copies turned up meanwhile, say).
        ahead.Reached(30);
        EXPECT_EQ(ahead.Take(30), -1);
        ahead.WaitUntilIdle();
        EXPECT_EQ(ahead.Held(), 5u); // only copies of files 32 and on are held now
        EXPECT_GE(ahead.Take(32), 0);
        EXPECT_TRUE(ahead.Release());
        EXPECT_EQ(ahead.Held(), 0u);
        EXPECT_EQ(ahead.Take(33), -1); // released: the loop copies the rest itself
    }
    EXPECT_EQ(OpenDescriptors(), descriptors + 1); // the one taken from file 32, never closed here
    EXPECT_EQ(ListFolder(dst), "");
}

TEST_F(CopyAheadTest, RunCopiesManyNewFilesWholeAndAnAbortLeavesOnlyWhatItReported) {
    for (const char* folder : {"a", "b", "c", "d"})
        MakeFiles(folder, 60);
    mkdir((dst + "/b").c_str(), 0755);
    // Abort partway through the copies (the inspection takes one call per file), while copies ahead are
    // held.
    host.onPending = [&](int n) {
        if (n == 240 + 150)
            host.RequestAbort();
    };
    Run();
    ASSERT_TRUE(result.Stopped);
    ASSERT_GT(updated.size(), 20u);
    ASSERT_LT(updated.size(), 200u);
    const auto partial = Copies(dst);
    EXPECT_EQ(partial.size(), updated.size());
    for (const std::string& path : updated) {
        const std::string relative = path.substr(src.size() + 1);
        ASSERT_TRUE(partial.count(relative)) << relative;
        EXPECT_EQ(partial.at(relative).first, ReadFile(path));
    }
    EXPECT_EQ(ListFolder(dst + "/a").find(".tmp"), std::string::npos);

    host.onPending = nullptr;
    host.ClearAbortRequest();
    Run();
    EXPECT_EQ(Copies(dst), Copies(src));
    EXPECT_EQ(result.FilesWritten + static_cast<int>(partial.size()), 240);
    EXPECT_EQ(Run(), 0);
}

} // namespace
