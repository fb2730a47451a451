#include "engine/DestinationLookAhead.h"
#include "engine/PathText.h"
#include "engine/ScanFolder.h"

#include "RunFixture.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

constexpr int64_t T = 1'700'000'000'000'000'000;
constexpr int64_t kLong = 60'000'000'000; // answers never too old within a test

// Folder change times tick coarsely: wait past the tick so that a change shows as one.
void PastTick() {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

class LookAheadTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        // The thread leaves the first folder to the caller: the files under test are in the second.
        MakeFolder("first");
        MakeFile(src + "/first/f", 1);
        SetWriteTime(src + "/first/f", T);
        files.push_back(FileEntry{src + "/first/f", 1, T});
        MakeFolder("sub");
        // up to date, older copy, no copy, newer copy
        for (const char* name : {"same", "older", "missing", "newer"}) {
            const std::string path = src + "/sub/" + name;
            MakeFile(path, 3);
            SetWriteTime(path, T);
            files.push_back(FileEntry{path, 3, T});
        }
        mkdir((dst + "/sub").c_str(), 0755);
        for (auto [name, time] :
             {std::pair<const char*, int64_t>{"same", T}, {"older", T - 1}, {"newer", T + 5}}) {
            MakeFile(dst + "/sub/" + name, 3);
            SetWriteTime(dst + "/sub/" + name, time);
        }
        PastTick();
    }
    void TearDown() override {
        if (folderFd >= 0)
            close(folderFd);
        RunFixture::TearDown();
    }
    std::vector<bool> Answers(DestinationLookAhead& ahead) {
        ahead.Finish();
        if (folderFd < 0)
            folderFd = open((dst + "/sub").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        std::vector<bool> out;
        for (std::size_t i = 1; i < files.size(); ++i)
            out.push_back(ahead.KnownUpToDate(i, folderFd));
        return out;
    }

    FileList files;
    int folderFd = -1;
};

TEST_F(LookAheadTest, OnlyCopiesFoundUpToDateAreKnown) {
    DestinationLookAhead ahead(files, src, dst, 1, 0, kLong);
    EXPECT_EQ(Answers(ahead), (std::vector<bool>{true, false, false, true}));
}

TEST_F(LookAheadTest, NothingIsKnownWhereFolderTimesCannotBeTrusted) {
    DestinationLookAhead recent(files, src, dst, 1, 1'000'000'000, kLong); // folder changed just now
    EXPECT_EQ(Answers(recent), std::vector<bool>(4, false));
    DestinationLookAhead stale(files, src, dst, 1, 0, 0); // answers too old by the time they are used
    EXPECT_EQ(Answers(stale), std::vector<bool>(4, false));
    DestinationLookAhead coarse(files, src, dst, 2'000'000'000, 0, kLong);
    EXPECT_EQ(Answers(coarse), std::vector<bool>(4, false));
}

// The thread takes every other folder: each answer must be its own file's, in every folder it visits.
TEST_F(LookAheadTest, AnswersBelongToTheirOwnFilesAcrossFolders) {
    FileList many;
    std::vector<bool> expected;
    for (int folder = 0; folder < 5; ++folder) {
        const std::string name = "d" + std::to_string(folder);
        MakeFolder(name);
        mkdir((dst + "/" + name).c_str(), 0755);
        for (int k = 0; k < 3; ++k) {
            const std::string file = "/" + name + "/f" + std::to_string(k);
            MakeFile(src + file, 3);
            SetWriteTime(src + file, T);
            many.push_back(FileEntry{src + file, 3, T});
            const bool upToDate = (folder + k) % 2 == 0;
            MakeFile(dst + file, 3);
            SetWriteTime(dst + file, upToDate ? T : T - 1);
            expected.push_back(upToDate && folder % 2 == 1); // folders 1 and 3 are the thread's
        }
    }
    PastTick();
    DestinationLookAhead ahead(many, src, dst, 1, 0, kLong, 64);
    ahead.Finish();
    for (std::size_t i = 0; i < many.size(); ++i) {
        const int fd = open(FolderOf(DestinationPathOf(many.Path(i), src, dst)).c_str(),
                            O_PATH | O_DIRECTORY | O_CLOEXEC);
        EXPECT_EQ(ahead.KnownUpToDate(i, fd), expected[i]) << many.Path(i);
        close(fd);
    }
}

TEST_F(LookAheadTest, CopyReplacedAfterTheLookUpIsNotKnown) {
    DestinationLookAhead ahead(files, src, dst, 1, 0, kLong);
    ahead.Finish();
    PastTick();
    // An older version put in place of the up-to-date copy, as a copy tool renames it over.
    MakeFile(dst + "/sub/tmp", 3);
    SetWriteTime(dst + "/sub/tmp", T - 1);
    ASSERT_EQ(std::rename((dst + "/sub/tmp").c_str(), (dst + "/sub/same").c_str()), 0);
    EXPECT_EQ(Answers(ahead), std::vector<bool>(4, false));
}

TEST_F(LookAheadTest, FolderReplacedAfterTheLookUpIsNotKnown) {
    DestinationLookAhead ahead(files, src, dst, 1, 0, kLong);
    ahead.Finish();
    // Same names and times, but another folder: its files were never looked up.
    ASSERT_EQ(std::rename((dst + "/sub").c_str(), (dst + "/old").c_str()), 0);
    ASSERT_EQ(std::rename((dst + "/old").c_str(), (dst + "/sub2").c_str()), 0);
    mkdir((dst + "/sub").c_str(), 0755);
    for (const char* name : {"same", "newer"}) {
        MakeFile(dst + "/sub/" + name, 3);
        SetWriteTime(dst + "/sub/" + name, T + 5);
    }
    EXPECT_EQ(Answers(ahead), std::vector<bool>(4, false));
}

TEST_F(LookAheadTest, LooksUpNoFurtherAheadThanItsLead) {
    DestinationLookAhead ahead(files, src, dst, 1, 0, kLong, 1);
    const int fd = open((dst + "/sub").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    PastTick();
    EXPECT_TRUE(ahead.KnownUpToDate(1, fd)); // one past the caller: looked up
    PastTick();
    EXPECT_FALSE(ahead.KnownUpToDate(4, fd)); // up to date, but two past the caller
    close(fd);
}

// Through a whole run: copies up to date for over a second are skipped on the early look-up, and one
// replaced by an older version while the run is under way is still written.
TEST_F(LookAheadTest, RunWritesACopyMadeOlderDuringTheRun) {
    mkdir((dst + "/first").c_str(), 0755);
    MakeFile(dst + "/first/f", 1);
    SetWriteTime(dst + "/first/f", T);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    // The copy to spoil must come after the first file of the update loop, decided before any event.
    FileList order;
    ScanFolder(src, order, true, 0);
    std::string victim;
    for (const FileEntry& entry : order)
        if (FileNameOf(entry.path) == "same" || FileNameOf(entry.path) == "newer")
            victim = dst + "/sub/" + FileNameOf(entry.path);
    host.onPending = [&](int n) {
        if (n != 6) // the first file of the update loop, after five inspected
            return;
        PastTick();
        MakeFile(dst + "/sub/tmp", 3);
        SetWriteTime(dst + "/sub/tmp", T - 1);
        std::rename((dst + "/sub/tmp").c_str(), victim.c_str());
    };
    EXPECT_EQ(Run(), 3);
    EXPECT_EQ(result.FilesSkipped, 2);
    EXPECT_EQ(WriteTimeOf(victim), T);
    EXPECT_EQ(WriteTimeOf(dst + "/sub/older"), T);
}

} // namespace
