// Tests on a small private tmpfs: a destination that fills up, and time stamps that no calendar date
// can hold. Mounting needs root; elsewhere these tests are skipped.
#include "base/AppError.h"
#include "engine/PathText.h"
#include "engine/ScanFolder.h"

#include "RunFixture.h"

#include <algorithm>

#include <sys/mount.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

class SmallDiskTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root to mount a small tmpfs";
        disk = dir / "disk";
        mkdir(disk.c_str(), 0755);
        if (mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
        mounted = true;
    }
    void TearDown() override {
        if (mounted)
            umount2(disk.c_str(), MNT_DETACH);
        RunFixture::TearDown();
    }
    std::string disk;
    bool mounted = false;
};

TEST_F(SmallDiskTest, FullDestinationKeepsThePreviousVersion) {
    MakeFile(src + "/disk.img", 3'000'000); // larger than the whole file system
    request.DestinationFolder = disk;
    request.CheckFreeSpace = false; // filled up by another program after the check
    for (int64_t threshold : {int64_t{0}, int64_t{1'000'000}}) {
        WriteFile(disk + "/disk.img", "previous version");
        SetWriteTime(disk + "/disk.img", 1'000'000'000'000'000'000);
        request.RecoveryThreshold = threshold;
        try {
            Run();
            FAIL() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot write file " + disk + "/disk.img\r\nNo space left on device");
        }
        EXPECT_EQ(ReadFile(disk + "/disk.img"), "previous version") << threshold;
        EXPECT_EQ(ListFolder(disk), "disk.img") << threshold; // no temporary or parked file
        EXPECT_TRUE(updated.empty());
        EXPECT_TRUE(failed.empty());
        EXPECT_EQ(host.calls.back().kind, "hide");
    }
}

TEST_F(SmallDiskTest, ManySmallFilesFillTheDiskInTheirOrderAndWhole) {
    // Copies made ahead of the loop must not take the room of the file in hand.
    MakeFolder("a");
    for (int i = 10; i < 110; ++i)
        MakeFile(src + "/a/f" + std::to_string(i), 40'000, static_cast<char>('a' + i % 26));
    request.DestinationFolder = disk;
    request.CheckFreeSpace = false;
    std::string error;
    try {
        Run();
    } catch (const AppError& e) {
        error = e.what();
    }
    FileList files;
    ScanFolder(src, files, true, 0);
    // As many as fit in the 2 MiB, in whole pages (51 with 4 KiB pages).
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    ASSERT_EQ(updated.size(), (2u << 20) / ((40'000 + page - 1) / page * page));
    std::vector<std::string> names;
    for (std::size_t k = 0; k < updated.size(); ++k) {
        ASSERT_EQ(updated[k], files[k].path);
        names.push_back(FileNameOf(files[k].path));
        EXPECT_EQ(ReadFile(disk + "/a/" + names.back()), ReadFile(files[k].path));
    }
    EXPECT_EQ(error, "Cannot write file " + disk + "/a/" + FileNameOf(files[updated.size()].path) +
                         "\r\nNo space left on device");
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names)
        listing += (listing.empty() ? "" : " ") + name;
    EXPECT_EQ(ListFolder(disk + "/a"), listing); // nothing partial, nothing hidden
}

TEST_F(SmallDiskTest, ARunThatCannotFitWritesNothingAndSaysWhatItNeedsAndWhatIsFree) {
    request.DestinationFolder = disk;
    MakeFile(src + "/big.img", 1'500'000);
    WriteFile(src + "/small.txt", "small");
    EXPECT_EQ(Run(), 2);
    // Most of it is up to date: the sizes of all files do not fit, what will be written does.
    WriteFile(src + "/new.txt", "new");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated, Lines{src + "/new.txt"});
    // This one cannot: nothing is written, not even the small file before it.
    MakeFile(src + "/a.img", 1'000'000, 'b');
    WriteFile(src + "/b.txt", "b");
    try {
        Run();
        FAIL() << "no error";
    } catch (const NoRoomError& e) {
        const std::string text = e.what();
        EXPECT_EQ(
            text.rfind("コピー先の空き容量が足りないため、書き込みません\r\n" + disk + "\r\n必要な容量: ", 0),
            0u)
            << text;
        EXPECT_NE(text.find(" バイト)\r\n空き容量: "), std::string::npos) << text;
    }
    EXPECT_TRUE(updated.empty());
    EXPECT_EQ(ListFolder(disk), "big.img new.txt small.txt");
}

TEST_F(SmallDiskTest, InvalidDatesAskWhetherToSkip) {
    // The source lives on the tmpfs here: it keeps times far beyond the year 9999.
    request.SourceFolder = disk;
    mkdir((disk + "/a").c_str(), 0755);
    WriteFile(disk + "/a/future.txt", "f");
    WriteFile(disk + "/normal.txt", "n");
    WriteFile(disk + "/a/2300.txt", "3");
    SetWriteTimeSeconds(disk + "/a/2300.txt", 10'413'792'000); // a real date after 2262 is backed up
    const int64_t farFuture = int64_t{1} << 60;                // seconds: no calendar date
    SetWriteTimeSeconds(disk + "/a/future.txt", farFuture);

    host.skipAnswers = {true};
    EXPECT_EQ(Run(), 2);
    Lines written = updated.ToVector();
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (Lines{disk + "/a/2300.txt", disk + "/normal.txt"}));
    struct stat copy {};
    ASSERT_EQ(stat((dst + "/a/2300.txt").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_mtim.tv_sec, 10'413'792'000);
    FastFrom(1);
    EXPECT_EQ(Run(), 0) << "the copy of the file after 2262 counts as up to date";
    const auto asked = host.Texts("askDate");
    ASSERT_EQ(asked.size(), 1u);
    const std::string head =
        "日付不正につき、以下のファイルのコピーをスキップしてもいいですか？ \r\n作成日＝";
    const std::string tail = "\r\n更新日＝不正な日付です\r\nファイル名＝" + disk + "/a/future.txt";
    ASSERT_GT(asked[0].size(), head.size() + tail.size());
    EXPECT_EQ(asked[0].substr(0, head.size()), head);
    EXPECT_EQ(asked[0].substr(asked[0].size() - tail.size()), tail);
    const std::string created = asked[0].substr(head.size(), asked[0].size() - head.size() - tail.size());
    EXPECT_EQ(created.size(), std::string("2026年12月08日 20時10分").size()) << created;

    // Cancel ends the run before the next file.
    host.skipAnswers = {false};
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(result.Stopped);

    // A destination copy with such a time asks too.
    request.SourceFolder = src;
    request.DestinationFolder = disk;
    WriteFile(src + "/normal.txt", "n2");
    SetWriteTimeSeconds(disk + "/normal.txt", farFuture);
    host.skipAnswers = {true};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host.Of("askDate").size(), 1u);
    EXPECT_EQ(ReadFile(disk + "/normal.txt"), "n");
}

} // namespace
