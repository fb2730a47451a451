#include "engine/CopyFile.h"
#include "base/AppError.h"
#include "engine/FileAttributes.h"
#include "engine/FileTimes.h"
#include "engine/TempTarget.h"

#include "EngineFiles.h"
#include "RecordingHost.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

class CopyFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.ClearAbortRequest();
        mkdir((dir / "src").c_str(), 0755);
        mkdir((dir / "dst").c_str(), 0755);
    }
    TempFolder dir;
    RecordingHost host;
};

TEST(CopyBufferSize, FollowsTheThresholds) {
    const std::pair<int64_t, std::size_t> cases[] = {
        {0, 8192},
        {1'000'000, 8192},
        {1'000'001, 32768},
        {10'000'000, 32768},
        {10'000'001, 131072},
        {2'147'483'648, 131072},
        {5'000'000'000, 131072},
    };
    for (auto [size, buffer] : cases)
        EXPECT_EQ(CopyBufferSize(size), buffer) << size;
}

TEST_F(CopyFileTest, ProgressOnlyAboveTwoMillionBytesOncePerBlock) {
    struct Case {
        int64_t size;
        std::size_t updates;
    } cases[] = {
        {2'000'000, 0},
        {2'000'001, (2'000'001 + 32767) / 32768},
        {10'000'000, (10'000'000 + 32767) / 32768},
        {10'000'001, (10'000'001 + 1048575) / 1048576},
    };
    for (const Case& c : cases) {
        const std::string src = dir / ("src/f" + std::to_string(c.size));
        MakeFile(src, c.size);
        host.calls.clear();
        host.pendingCount = 0;
        ASSERT_TRUE(CopyFileWithProgress(src, dir / "dst", c.size, host));
        const auto updates = host.Of("update");
        EXPECT_EQ(updates.size(), c.updates) << c.size;
        EXPECT_EQ(host.pendingCount, static_cast<int>(c.updates)) << c.size;
        if (!updates.empty()) {
            EXPECT_EQ(updates.back().number, 100);
            EXPECT_EQ(updates.back().upper, src + "をコピー中･････ ");
        }
        EXPECT_EQ(ReadFile(dir / ("dst/f" + std::to_string(c.size))), ReadFile(src));
    }
}

TEST_F(CopyFileTest, ProgressTextsAtHalfway) {
    const std::string src = dir / "src/half.bin";
    MakeFile(src, 3'000'000);
    std::vector<RecordingHost::Call> seen;
    host.onUpdate = [&](const RecordingHost::Call& c) { seen.push_back(c); };
    ASSERT_TRUE(CopyFileWithProgress(src, dir / "dst", 3'000'000, host));
    ASSERT_FALSE(seen.empty());
    // The first block of 32768 bytes.
    EXPECT_EQ(seen.front().number, 1);
    EXPECT_EQ(seen.front().lower, "コピー済  32.77 Kバイト/3000.00 Kバイト  1.1%");
    EXPECT_EQ(seen.back().lower, "コピー済  3000.00 Kバイト/3000.00 Kバイト  100.0%");
    // A size passed smaller than the file still copies all of it, without progress.
    host.calls.clear();
    WriteFile(dir / "dst/small-size", "");
    ASSERT_TRUE(CopyFileWithProgress(src, dir / "dst/small-size", 10, host));
    EXPECT_EQ(ReadFile(dir / "dst/small-size"), ReadFile(src));
    EXPECT_TRUE(host.Of("update").empty());
}

TEST_F(CopyFileTest, TargetNamingTimesAndReplacement) {
    const std::string src = dir / "src/a.txt";
    WriteFile(src, "new");
    const int64_t stamp = 1'600'000'001'123'456'789;
    SetWriteTime(src, stamp);
    WriteFile(dir / "dst/a.txt", "a much longer previous version");
    WriteFile(dir / "dst/renamed.txt", "an existing file is the target itself");

    for (const std::string& destination : {dir / "dst", dir / "dst/", dir / "dst/renamed.txt"}) {
        ASSERT_TRUE(CopyFileWithProgress(src, destination, 3, host)) << destination;
    }
    EXPECT_EQ(ReadFile(dir / "dst/a.txt"), "new");
    EXPECT_EQ(ReadFile(dir / "dst/renamed.txt"), "new");
    EXPECT_EQ(WriteTimeOf(dir / "dst/a.txt"), stamp);
    EXPECT_EQ(ListFolder(dir / "dst"), "a.txt renamed.txt"); // no temporary file left

    // A destination that does not exist counts as a folder.
    EXPECT_THROW(CopyFileWithProgress(src, dir / "dst/none/", 3, host), AppError);

    // Empty file: empty target with the source's time.
    const std::string empty = dir / "src/empty";
    WriteFile(empty, "");
    SetWriteTime(empty, stamp);
    ASSERT_TRUE(CopyFileWithProgress(empty, dir / "dst", 0, host));
    EXPECT_EQ(SizeOf(dir / "dst/empty"), 0);
    EXPECT_EQ(WriteTimeOf(dir / "dst/empty"), stamp);

    // A relative destination is taken from the current folder.
    const std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    mkdir((dir / "dst/rel").c_str(), 0755);
    const bool relative = CopyFileWithProgress(src, "dst/rel", 3, host);
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    EXPECT_TRUE(relative);
    EXPECT_EQ(ReadFile(dir / "dst/rel/a.txt"), "new");
}

TEST_F(CopyFileTest, ErrorsNameThePath) {
    WriteFile(dir / "src/a.txt", "x");
    try {
        CopyFileWithProgress(dir / "src/missing.txt", dir / "dst", 1, host);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file " + dir / "src/missing.txt" + "\r\nNo such file or directory");
    }
    try {
        CopyFileWithProgress(dir / "src/a.txt", dir / "gone/x.txt", 1, host);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file " + dir / "gone/x.txt/a.txt" + "\r\nNo such file or directory");
    }
    // A target that is a folder of its own cannot be replaced.
    mkdir((dir / "dst/a.txt").c_str(), 0755);
    mkdir((dir / "dst/a.txt/inner").c_str(), 0755);
    EXPECT_THROW(CopyFileWithProgress(dir / "src/a.txt", dir / "dst", 1, host), AppError);
    EXPECT_EQ(ListFolder(dir / "dst"), "a.txt");
    // A FIFO is never opened for reading (that would hang).
    ASSERT_EQ(mkfifo((dir / "src/pipe").c_str(), 0644), 0);
    EXPECT_THROW(CopyFileWithProgress(dir / "src/pipe", dir / "dst", 1, host), AppError);
}

TEST_F(CopyFileTest, AbortKeepsThePreviousTarget) {
    const std::string src = dir / "src/big.bin";
    MakeFile(src, 5'000'000, 'n');
    WriteFile(dir / "dst/big.bin", "previous");
    host.onPending = [&](int n) {
        if (n == 2)
            host.RequestAbort();
    };
    EXPECT_FALSE(CopyFileWithProgress(src, dir / "dst", 5'000'000, host));
    EXPECT_EQ(host.pendingCount, 2);
    EXPECT_EQ(ReadFile(dir / "dst/big.bin"), "previous");
    EXPECT_EQ(ListFolder(dir / "dst"), "big.bin");
}

TEST_F(CopyFileTest, NewTargetAppearsOnlyWhenComplete) {
    const std::string src = dir / "src/new.bin";
    MakeFile(src, 3'000'000, 'q');
    // Aborted: nothing at all is left in the folder.
    host.onPending = [&](int n) {
        if (n == 2)
            host.RequestAbort();
    };
    EXPECT_FALSE(CopyFileWithProgress(src, dir / "dst", 3'000'000, host));
    EXPECT_EQ(ListFolder(dir / "dst"), "");

    // Not there at the start, there at the end: while the copy runs, nothing is visible under the
    // target's name; a file put there meanwhile is replaced.
    host.ClearAbortRequest();
    host.onPending = nullptr;
    bool visibleDuringCopy = true;
    host.onUpdate = [&, updates = 0](const RecordingHost::Call&) mutable {
        if (++updates == 1) {
            visibleDuringCopy = PathExists(dir / "dst/new.bin");
            WriteFile(dir / "dst/new.bin", "put there by someone else");
        }
    };
    EXPECT_TRUE(CopyFileWithProgress(src, dir / "dst", 3'000'000, host));
    EXPECT_FALSE(visibleDuringCopy);
    EXPECT_EQ(ReadFile(dir / "dst/new.bin"), ReadFile(src));
    EXPECT_EQ(ListFolder(dir / "dst"), "new.bin");
}

TEST_F(CopyFileTest, NonUtf8AndLongestNamesAreCopied) {
    const std::string odd = "caf\xe9\xff.txt";
    WriteFile(dir / ("src/" + odd), "bytes");
    ASSERT_TRUE(CopyFileWithProgress(dir / ("src/" + odd), dir / "dst", 5, host));
    EXPECT_EQ(ReadFile(dir / ("dst/" + odd)), "bytes");

    // A name of the longest length the file system takes: the temporary name must be shortened.
    const std::string longest(NAME_MAX, 'L');
    WriteFile(dir / ("src/" + longest), "long");
    WriteFile(dir / ("dst/" + longest), "old");
    ASSERT_TRUE(CopyFileWithProgress(dir / ("src/" + longest), dir / "dst", 4, host));
    EXPECT_EQ(ReadFile(dir / ("dst/" + longest)), "long");
    EXPECT_EQ(ListFolder(dir / "dst"), longest + " " + odd);
}

TEST(TempNameFor, FitsTheLimitWithoutSplittingCharacters) {
    EXPECT_EQ(TempNameFor("a.txt", ".1-2.tmp", 255), ".a.txt.1-2.tmp");
    EXPECT_EQ(TempNameFor(std::string(300, 'x'), ".1.tmp", 255).size(), 255u);
    // "日" is three bytes: cutting inside it backs off to the character's start.
    const std::string name = std::string(8, 'x') + "日本";
    EXPECT_EQ(TempNameFor(name, ".tmp", 1 + 10 + 4), "." + std::string(8, 'x') + ".tmp");
    EXPECT_EQ(TempNameFor(name, ".tmp", 1 + 11 + 4), "." + std::string(8, 'x') + "日.tmp");
}

TEST(LocalFileDateTime, KeepsFractionsAndRefusesImpossibleYears) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    // 2024-03-05 00:07:08.123 UTC is 09:07 in Tokyo.
    const int64_t stamp = 1'709'597'228'123'000'000;
    LocalDateTime t = LocalFileDateTime(stamp);
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 5);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.minute, 7);
    EXPECT_EQ(t.second, 8);
    EXPECT_EQ(t.nanosecond, 123'000'000);
    EXPECT_EQ(FormatDateText(t), "2024年03月05日 09時07分");
    // Before the epoch the fraction still counts forward from the whole second.
    EXPECT_EQ(LocalFileDateTime(-1).nanosecond, 999'999'999);
    EXPECT_EQ(LocalFileDateTime(-1).second, 59);

    // Real dates that nanoseconds since the epoch cannot hold are the latest and earliest stamps, valid
    // ones; times that no calendar date can hold have no valid date.
    const int64_t max = std::numeric_limits<int64_t>::max();
    const int64_t min = std::numeric_limits<int64_t>::min();
    EXPECT_EQ(StampOf(400'000'000'000, 5), max - 1); // the year 14645
    EXPECT_EQ(StampOf(-400'000'000'000, 5), min + 1);
    EXPECT_TRUE(IsValidFileTime(max - 1));
    EXPECT_TRUE(IsValidFileTime(min + 1));
    EXPECT_EQ(StampOf(int64_t{1} << 60, 0), max);
    EXPECT_EQ(StampOf(-(int64_t{1} << 60), 0), min);
    EXPECT_EQ(StampOf(9'223'372'035, 0), 9'223'372'035'000'000'000);
    EXPECT_EQ(StampOf(-9'223'372'035, 7), -9'223'372'034'999'999'993);
    for (int64_t invalid : {max, min}) {
        EXPECT_THROW(LocalFileDateTime(invalid), DateConversionError);
        EXPECT_FALSE(IsValidFileTime(invalid));
    }
    EXPECT_TRUE(IsValidFileTime(stamp));
    EXPECT_EQ(LocalFileDateTime(0).year, 1970);
    unsetenv("TZ");
    tzset();
}

TEST(HasAttributes, LinuxMeaningOfEachBit) {
    TempFolder dir;
    WriteFile(dir / "plain", "x");
    WriteFile(dir / ".hidden", "x");
    WriteFile(dir / "locked", "x");
    chmod((dir / "locked").c_str(), 0444);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink(dir.Path().c_str(), (dir / "folder-link").c_str()), 0);
    struct Case {
        std::string path;
        unsigned attributes;
        bool expected;
    } cases[] = {
        {dir.Path(), DirectoryAttribute, true},
        {dir.Path() + "/", DirectoryAttribute, true},
        {dir / "folder-link", DirectoryAttribute, true},
        {dir / "plain", DirectoryAttribute, false},
        {dir / "plain", HiddenAttribute, false},
        {dir / ".hidden", HiddenAttribute, true},
        {dir / "locked", ReadOnlyAttribute, true},
        {dir / "plain", ReadOnlyAttribute, false},
        {dir / "pipe", SystemAttribute, true},
        {dir / "plain", SystemAttribute, false},
        {dir / ".hidden", HiddenAttribute | DirectoryAttribute, false},
        {dir / "missing", DirectoryAttribute | HiddenAttribute, true}, // unreadable: every bit set
        {dir / ".", HiddenAttribute, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasAttributes(c.path, c.attributes), c.expected) << c.path << " " << c.attributes;
}

} // namespace
