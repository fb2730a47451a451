#include "base/AppError.h"
#include "engine/EngineTexts.h"
#include "engine/FolderCache.h"

#include "RunFixture.h"

#include <algorithm>
#include <filesystem>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

using RunBackupTest = RunFixture;

TEST_F(RunBackupTest, EmptyFoldersDoNothingAtAll) {
    WriteFile(src + "/a.txt", "a");
    for (auto [source, destination] : {std::pair<std::string, std::string>{"", dst}, {src, ""}}) {
        request.SourceFolder = source;
        request.DestinationFolder = destination;
        host.RequestAbort();
        EXPECT_EQ(Run(), 0);
        EXPECT_TRUE(host.calls.empty());
        EXPECT_FALSE(host.AbortRequested()); // cleared at every start
    }
}

TEST_F(RunBackupTest, MissingDestinationIsNeverCreated) {
    WriteFile(src + "/a.txt", "a");
    request.DestinationFolder = dir / "not-mounted/backup";
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].kind, "message");
    EXPECT_EQ(host.calls[0].upper, "コピー先のディレクトリが存在しません\r\n" + dir / "not-mounted/backup");
    EXPECT_FALSE(PathExists(dir / "not-mounted"));
    EXPECT_TRUE(updated.empty());

    // A file in place of the folder is no destination either.
    WriteFile(dir / "plainfile", "");
    request.DestinationFolder = dir / "plainfile";
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host.Of("message").size(), 1u);
}

TEST_F(RunBackupTest, DestinationRemovedDuringTheRunIsNotRecreated) {
    MakeFolder("a");
    WriteFile(src + "/a/f.txt", "x");
    host.onPending = [&](int n) {
        if (n == 1) // as if the drive were unmounted while the run inspects (it holds its lock file)
            std::filesystem::remove_all(dst);
    };
    EXPECT_THROW(Run(), AppError);
    EXPECT_FALSE(PathExists(dst));
}

TEST_F(RunBackupTest, NothingToUpdate) {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host.Texts("status"), Lines{"更新対象ファイルはありません"});
    EXPECT_TRUE(host.Of("show").empty());
    EXPECT_EQ(host.calls.front().kind, "busy");
    EXPECT_EQ(host.calls.front().number, 1);
    EXPECT_EQ(host.calls[host.calls.size() - 2].kind, "busy");
    EXPECT_EQ(host.calls[host.calls.size() - 2].number, 0);
    EXPECT_EQ(host.calls.back().kind, "hide");
}

TEST_F(RunBackupTest, FirstRunWritesEverythingWithItsTexts) {
    MakeFolder("sub");
    WriteFile(src + "/sub/b.txt", "bbb");
    WriteFile(src + "/a.txt", "a");
    SetWriteTime(src + "/a.txt", 1'700'000'001'250'000'001);
    request.SourceFolder = src + "/"; // the trailing "/" changes nothing below

    EXPECT_EQ(Run(), 2);
    const std::string b = src + "/sub/b.txt";
    const std::string a = src + "/a.txt";
    EXPECT_EQ(updated, (Lines{b, a}));
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(ReadFile(dst + "/sub/b.txt"), "bbb");
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "a");
    EXPECT_EQ(WriteTimeOf(dst + "/a.txt"), 1'700'000'001'250'000'001);
    EXPECT_EQ(ListFolder(dst), "a.txt sub");

    EXPECT_EQ(host.Texts("status"), (Lines{
                                        "2のファイルを検査中です･･････････",
                                        "2のファイルを更新中です･･････････",
                                        b + " をコピー中. [コピー済 0 / 2]",
                                        b + " をコピーしました  75.0% [コピー済 1 / 2]",
                                        a + " をコピー中. [コピー済 1 / 2]",
                                        a + " をコピーしました  100.0% [コピー済 2 / 2]",
                                    }));
    const auto updates = host.Of("update");
    ASSERT_GE(updates.size(), 3u);
    EXPECT_EQ(updates[0].number, 1);
    EXPECT_EQ(updates[0].upper, "対象ファイルの更新日時を照合しています････ ");
    EXPECT_EQ(updates[0].lower, "");
    // Inspection runs from the last entry to the first.
    EXPECT_EQ(updates[1].upper, a + "を検査中･････ ");
    EXPECT_EQ(updates[1].lower, "検査済  50.0% [検査済 1 / 2]");
    EXPECT_EQ(updates[1].number, 50);
    EXPECT_EQ(updates[2].upper, b + "を検査中･････ ");
    EXPECT_EQ(updates[2].lower, "検査済  100.0% [検査済 2 / 2]");
    // The second write shows the bytes written so far.
    bool sawCopying = false;
    for (const auto& u : updates) {
        if (u.upper == a + "をコピー中･････ ") {
            sawCopying = true;
            EXPECT_EQ(u.number, 50);
            EXPECT_EQ(u.lower, "コピー済  75.0% [コピー済 1 / 2]");
        }
    }
    EXPECT_TRUE(sawCopying);
    EXPECT_EQ(host.calls.back().kind, "hide");

    EXPECT_EQ(result.FilesFound, 2);
    EXPECT_EQ(result.FilesWritten, 2);
    EXPECT_EQ(result.BytesTotal, 4);
    EXPECT_EQ(result.BytesWritten, 4);
    EXPECT_FALSE(result.Stopped);
}

TEST_F(RunBackupTest, UnchangedTreeGivesNoWritesInCarefulMode) {
    // Odd seconds and fractions: lost on the way, they would make every careful run copy again.
    const int64_t times[] = {1'700'000'001'000'000'000, 1'700'000'002'999'999'999, 1'700'000'003'000'000'001};
    for (int i = 0; i < 3; ++i) {
        MakeFolder("d" + std::to_string(i));
        const std::string p = src + "/d" + std::to_string(i) + "/f.txt";
        WriteFile(p, "x");
        SetWriteTime(p, times[i]);
    }
    EXPECT_EQ(Run(), 3);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(result.FilesSkipped, 3);
    EXPECT_TRUE(host.Of("status").size() == 2u); // inspecting, updating: no write texts

    // One nanosecond newer in the source: written again. Newer in the destination, of the same size: left
    // alone. A window that wants no file's texts yet changes nothing that is decided.
    SetWriteTime(src + "/d0/f.txt", times[0] + 1);
    SetWriteTime(dst + "/d1/f.txt", times[1] + 5'000'000'000);
    WriteFile(src + "/d1/f.txt", "y");
    SetWriteTime(src + "/d1/f.txt", times[1] + 1);
    host.progressDue = false;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated, Lines{src + "/d0/f.txt"});
    EXPECT_EQ(ReadFile(dst + "/d0/f.txt"), "x");
    EXPECT_EQ(WriteTimeOf(dst + "/d0/f.txt"), times[0] + 1);
    EXPECT_EQ(ReadFile(dst + "/d1/f.txt"), "x");
    EXPECT_EQ(host.Of("update").size(), 1u); // only the dialog's heading
    EXPECT_TRUE(host.Of("askContinue").empty());
}

TEST(IsUpToDate, CoarseDestinationsCountAsUpToDateWhenTruncated) {
    const int64_t s = 1'700'000'001'234'567'891; // odd second with a fraction
    struct Case {
        int64_t destination;
        int64_t resolution;
        bool upToDate;
    } cases[] = {
        {s, 1, true},
        {s + 1, 1, true},
        {s - 1, 1, false},
        {1'700'000'000'000'000'000, 2'000'000'000, true}, // FAT: two seconds
        {1'698'000'000'000'000'000, 2'000'000'000, false},
        {1'700'000'001'000'000'000, 2'000'000'000, false}, // not what FAT would keep
        {1'700'000'001'230'000'000, 10'000'000, true},     // exFAT: 10 ms
        {1'700'000'001'234'567'800, 100, true},            // NTFS and SMB: 100 ns
        {1'700'000'001'234'567'700, 100, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsUpToDate(c.destination, s, c.resolution), c.upToDate)
            << c.destination << " " << c.resolution;
    EXPECT_TRUE(IsUpToDate(-2'000'000'000, -1'000'000'001, 2'000'000'000)); // floor, not toward zero
}

TEST_F(RunBackupTest, AnAbortDuringALongScanEndsTheRunWithNothingWritten) {
    MakeFolder("x");
    WriteFile(src + "/x/a.txt", "a");
    request.ScanQuietFor = std::chrono::milliseconds(0);
    request.ScanLongAfter = std::chrono::milliseconds(0);
    host.onPending = [&](int) { host.RequestAbort(); }; // the dialog's abort button, during the scan
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(result.Stopped);
    EXPECT_EQ(ListFolder(dst), "");
    ASSERT_FALSE(host.Of("scanLong").empty());
    EXPECT_TRUE(host.Of("show").empty());
    EXPECT_EQ(host.calls.back().kind, "hide");
}

TEST_F(RunBackupTest, DateLimitSelectsOnlyNewerFiles) {
    MakeFolder("x");
    WriteFile(src + "/x/old.txt", "o");
    WriteFile(src + "/x/new.txt", "n");
    const int64_t limit = 4'000'000'000'500'000'000; // after the files' change times
    SetWriteTime(src + "/x/old.txt", limit);
    SetWriteTime(src + "/x/new.txt", limit + 1'000); // within the same two seconds
    FastFrom(limit);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated, Lines{src + "/x/new.txt"});
    EXPECT_EQ(result.FilesFound, 1);
}

TEST_F(RunBackupTest, ExclusionsDropFilesBeforeTheCount) {
    MakeFolder("tmp");
    MakeFolder("tmp2");
    MakeFolder("keep");
    WriteFile(src + "/tmp/a.txt", "1");
    WriteFile(src + "/tmp2/b.txt", "22");
    WriteFile(src + "/keep/c.BAK", "333");
    WriteFile(src + "/keep/d.txt", "4444");
    WriteFile(src + "/tmp/e.bak", "55555"); // matches both rules, removed once
    request.ExcludedFolders = src + "/tmp";
    request.ExcludedExtensions = ".bak";
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated, Lines{src + "/keep/d.txt"});
    EXPECT_EQ(result.FilesExcluded, 4);
    EXPECT_EQ(result.BytesTotal, 4);
    EXPECT_EQ(host.Texts("status").at(1), "1のファイルを更新中です･･････････");
    EXPECT_FALSE(PathExists(dst + "/tmp"));

    // Everything excluded: the inspection texts stay, nothing more happens.
    request.ExcludedFolders = src;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host.Texts("status"), Lines{"5のファイルを検査中です･･････････"});
}

TEST_F(RunBackupTest, AbortDuringInspectionWritesNothing) {
    for (int i = 0; i < 4; ++i) {
        MakeFolder("d" + std::to_string(i));
        WriteFile(src + "/d" + std::to_string(i) + "/f", "x");
    }
    host.onPending = [&](int n) {
        if (n == 3)
            host.RequestAbort();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ListFolder(dst), "");
    EXPECT_TRUE(updated.empty());
    EXPECT_TRUE(result.Stopped);
    EXPECT_EQ(host.pendingCount, 3);
    EXPECT_EQ(host.calls.back().kind, "hide");
}

TEST_F(RunBackupTest, AbortAtTheComparisonEndsTheRun) {
    for (int i = 0; i < 3; ++i) {
        MakeFolder("d" + std::to_string(i));
        WriteFile(src + "/d" + std::to_string(i) + "/f", "x");
    }
    // Three inspection polls, then the first file's comparison, its write, the second comparison; the
    // scan, however slow a loaded machine makes it, hands no control back.
    request.ScanQuietFor = std::chrono::seconds(60);
    host.onPending = [&](int n) {
        if (n == 6)
            host.RequestAbort();
    };
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(updated.size(), 1u);
    EXPECT_TRUE(result.Stopped);
}

TEST_F(RunBackupTest, VanishedSourceIsReportedAndTheRunGoesOn) {
    MakeFolder("gone");
    WriteFile(src + "/gone/f.txt", "x");
    WriteFile(src + "/stays.txt", "y");
    host.onPending = [&](int n) {
        if (n == 3) // the first comparison, after the scan saw the file
            unlink((src + "/gone/f.txt").c_str());
    };
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(host.Texts("message"), Lines{"ファイル= " + src + "/gone/f.txt ありません"});
    EXPECT_EQ(updated, Lines{src + "/stays.txt"});
    EXPECT_FALSE(PathExists(dst + "/gone/f.txt"));
}

TEST_F(RunBackupTest, NonUtf8NamesAreCopiedByteExact) {
    const std::string name = "r\xe9sum\xe9 \x82\xa0.txt"; // Latin-1 and Shift-JIS bytes
    MakeFolder("\xff");
    WriteFile(src + "/\xff/" + name, "bytes");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(dst + "/\xff/" + name), "bytes");
    EXPECT_EQ(updated, Lines{src + "/\xff/" + name});
}

TEST_F(RunBackupTest, DryRunDecidesButWritesNothing) {
    MakeFolder("new");
    WriteFile(src + "/new/a.txt", "a");
    WriteFile(src + "/big.bin", std::string(2000, 'b'));
    WriteFile(dst + "/big.bin", "old");
    SetWriteTime(dst + "/big.bin", 1'000'000'000'000'000'000);
    request.RecoveryThreshold = 1000;
    request.DryRun = true;
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(updated.size(), 2u);
    EXPECT_EQ(result.BytesWritten, 2001);
    EXPECT_EQ(ListFolder(dst), "big.bin");
    EXPECT_EQ(ReadFile(dst + "/big.bin"), "old");
}

TEST_F(RunBackupTest, AFileWhereAFolderShouldBeAndAFolderWhereAFileShouldBeAreListedAndTheRunGoesOn) {
    // A file of the source became a folder, and the other way round: no later run can cure that without
    // deleting a copy, so each is listed with its reason, and the rest is backed up.
    MakeFolder("blocked");
    WriteFile(src + "/blocked/f.txt", "x");
    WriteFile(dst + "/blocked", "a file where the folder should be");
    WriteFile(src + "/notes", "n");
    mkdir((dst + "/notes").c_str(), 0755); // newer than the source: never taken for its copy
    WriteFile(dst + "/notes/kept.txt", "k");
    WriteFile(src + "/later.txt", "l");
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(Run(), run == 0 ? 1 : 0);
        std::vector<std::pair<std::string, std::string>> listed;
        for (const FailureReason& r : result.FailureReasons)
            listed.emplace_back(failed[r.index], r.text);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, (std::vector<std::pair<std::string, std::string>>{
                              {src + "/blocked/f.txt", texts::FileInFoldersPlace},
                              {src + "/notes", texts::NotAFileThere}}));
        EXPECT_EQ(failed.size(), 2u);
        EXPECT_TRUE(host.Texts("message").empty());
        EXPECT_FALSE(result.Stopped);
        EXPECT_EQ(result.RunToken, "") << "a run with failures is no complete run";
    }
    EXPECT_EQ(ReadFile(dst + "/later.txt"), "l");
    EXPECT_EQ(ReadFile(dst + "/blocked"), "a file where the folder should be");
    EXPECT_EQ(ReadFile(dst + "/notes/kept.txt"), "k");
}

} // namespace
