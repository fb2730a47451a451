// A run that cannot do its work says so, and writes nowhere but below its destination.
#include "base/AppError.h"
#include "engine/EngineTexts.h"
#include "engine/ScanFolder.h"

#include "ChildProcess.h"
#include "RunFixture.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

class HonestRunTest : public RunFixture {
protected:
    // Runs the request in a child as an unprivileged user; its failed list, one path per line, or
    // "error: " and the message.
    std::string RunAsNobody() {
        chmod(dir.Path().c_str(), 0755);
        chown(dst.c_str(), Nobody, Nobody);
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        const pid_t child = StartChild(
            [&] {
                close(out[0]);
                std::string text;
                try {
                    PathList u, f;
                    RecordingHost quiet;
                    RunBackup(request, u, f, quiet);
                    for (const std::string& line : f)
                        text += line + "\n";
                } catch (const AppError& e) {
                    text = std::string("error: ") + e.what();
                }
                return write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1;
            },
            Nobody);
        close(out[1]);
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
            text.append(buf, static_cast<std::size_t>(n));
        close(out[0]);
        EXPECT_EQ(WaitForChild(child), 0);
        return text;
    }
};

TEST_F(HonestRunTest, ASourceThatIsMissingNotAFolderOrUnreadableEndsTheRunByAnError) {
    WriteFile(dir / "a-file", "x");
    for (const std::string& source : {dir / "unmounted", dir / "a-file"}) {
        request.SourceFolder = source;
        try {
            Run();
            ADD_FAILURE() << source;
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()), texts::SourceMissing + source);
        }
        EXPECT_TRUE(host.Of("show").empty());
    }
    if (!CanSwitchUser())
        GTEST_SKIP() << "unreadable folders need root to switch to an unprivileged user";
    request.SourceFolder = dir / "locked";
    mkdir(request.SourceFolder.c_str(), 0700);
    EXPECT_EQ(RunAsNobody(), std::string("error: ") + texts::SourceMissing + request.SourceFolder);
}

TEST_F(HonestRunTest, UnreadablePartsOfTheSourceAreListedAsFailed) {
    if (!CanSwitchUser())
        GTEST_SKIP() << "unreadable folders need root to switch to an unprivileged user";
    chmod(src.c_str(), 0755);
    for (const char* folder : {"secret", "excluded", "open"}) {
        MakeFolder(folder);
        WriteFile(src + "/" + folder + "/f.txt", "f");
    }
    chmod((src + "/secret").c_str(), 0700);
    chmod((src + "/excluded").c_str(), 0700);
    request.ExcludedFolders = src + "/excluded";
    EXPECT_EQ(RunAsNobody(), src + "/secret/\n");
    EXPECT_EQ(ReadFile(dst + "/open/f.txt"), "f");
}

TEST_F(HonestRunTest, NothingIsWrittenThroughALinkInTheDestination) {
    const std::string elsewhere = dir / "elsewhere";
    mkdir(elsewhere.c_str(), 0755);
    WriteFile(elsewhere + "/disk.img", "foreign");
    MakeFolder("sub");
    MakeFile(src + "/sub/disk.img", 2'000'000);
    WriteFile(src + "/sub/new.txt", "n");
    WriteFile(src + "/top.txt", "t");
    ASSERT_EQ(symlink(elsewhere.c_str(), (dst + "/sub").c_str()), 0);
    // A link in a file's place is replaced by the copy; the file it led to stays as it was.
    ASSERT_EQ(symlink((elsewhere + "/disk.img").c_str(), (dst + "/top.txt").c_str()), 0);
    request.RecoveryThreshold = 1'000'000;

    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated, Lines{src + "/top.txt"});
    Lines sorted = failed.ToVector();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (Lines{src + "/sub/disk.img", src + "/sub/new.txt"}));
    EXPECT_EQ(host.Texts("message"), Lines{texts::LinkedFolder + dst + "/sub"});
    EXPECT_EQ(ListFolder(elsewhere), "disk.img");
    EXPECT_EQ(ReadFile(elsewhere + "/disk.img"), "foreign");
    EXPECT_EQ(ReadFile(dst + "/top.txt"), "t");
}

TEST_F(HonestRunTest, ADestinationInsideTheSourceIsNotBackedUpIntoItself) {
    request.DestinationFolder = src + "/backup";
    mkdir(request.DestinationFolder.c_str(), 0755);
    ASSERT_EQ(symlink(request.DestinationFolder.c_str(), (src + "/via-link").c_str()), 0);
    WriteFile(src + "/a.txt", "a");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ListFolder(src + "/backup"), "a.txt");
}

TEST_F(HonestRunTest, FilesBeyondThePathLimitAreCopied) {
    // Made one folder at a time, since the whole path is too long to name.
    const std::string name(250, 'd');
    int fd = open(src.c_str(), O_RDONLY | O_DIRECTORY);
    std::string relative;
    for (int level = 0; level < 20; ++level) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        relative += "/" + name;
    }
    const int file = openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(write(file, "deep", 4), 4);
    close(file);
    close(fd);
    WriteFile(src + "/shallow.txt", "s");
    ASSERT_GT((src + relative).size(), static_cast<std::size_t>(PATH_MAX));

    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(updated.front(), src + relative + "/deep.txt");
    fd = open(dst.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 20 && fd >= 0; ++level) {
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    char buf[8] = {};
    const int copy = openat(fd, "deep.txt", O_RDONLY);
    EXPECT_EQ(read(copy, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf), "deep");
    close(copy);
    close(fd);
    std::system(("rm -rf " + src + "/" + name + " " + dst + "/" + name).c_str());
}

TEST_F(HonestRunTest, KeepGoingListsAFileThatCannotBeCreatedAndGoesOn) {
    if (!CanSwitchUser())
        GTEST_SKIP() << "a folder the run may not write needs root to switch to an unprivileged user";
    MakeFolder("locked");
    WriteFile(src + "/locked/x.txt", "x");
    WriteFile(src + "/after.txt", "a");
    mkdir((dst + "/locked").c_str(), 0755); // root's: the unprivileged run cannot create in it
    // An error that a later run may not meet again ends the run, with the system's reason on a line of
    // its own.
    EXPECT_EQ(RunAsNobody(), "error: Cannot create file " + dst + "/locked/x.txt\r\nPermission denied");
    EXPECT_FALSE(PathExists(dst + "/after.txt"));

    request.KeepGoing = true;
    EXPECT_EQ(RunAsNobody(), src + "/locked/x.txt\n");
    EXPECT_EQ(ReadFile(dst + "/after.txt"), "a");
}

TEST_F(HonestRunTest, AFastRunTakesAFileMovedInWithAnOldWriteTime) {
    WriteFile(src + "/moved.txt", "m");
    SetWriteTimeSeconds(src + "/moved.txt", 1'600'000'000);
    FastFrom((static_cast<int64_t>(std::time(nullptr)) - 60) * 1'000'000'000);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(WriteTimeOf(dst + "/moved.txt"), 1'600'000'000'000'000'000);
}

} // namespace
