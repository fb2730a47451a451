// hozonix-run as a real process on real folders.

#include "settings/HistorySettings.h"
#include "settings/StoredDateTime.h"

#include "RunnerTestFixture.h"

#include <ctime>
#include <unistd.h>

namespace hozonix::test {

namespace {

constexpr int64_t Year2020 = 1'577'836'800;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(RunnerTest, FastRunAfterCarefulRunUsesTheStoredStartTime) {
    StoreProfile();
    mkdir((src + "/sub").c_str(), 0755);
    WriteFile(src + "/a.txt", "one");
    WriteFile(src + "/sub/b.txt", "two");
    WriteFile(src + "/old.txt", "old");
    SetWriteTime(src + "/old.txt", Year2020);
    // A fast run also takes files changed (moved in) after its limit: let the change times fall before
    // the start time that the careful run stores, which counts whole seconds.
    for (const std::time_t set = std::time(nullptr); std::time(nullptr) == set;)
        usleep(10'000);

    const std::time_t before = std::time(nullptr);
    ProcessResult r = Run({"--careful", "docs"}); // names match without regard to case
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dst + "/sub/b.txt"), "two");
    EXPECT_TRUE(Contains(r.out, "Docs: written 3, failed 0")) << r.out;
    const std::optional<std::time_t> stored = ParseStoredDateTime(LastRun());
    ASSERT_TRUE(stored.has_value()) << LastRun();
    EXPECT_GE(*stored, before);
    EXPECT_LE(*stored, after);

    // Older than the stored time: a fast run never looks at it, even with its copy gone.
    unlink((dst + "/old.txt").c_str());
    WriteFile(src + "/a.txt", "one, changed");
    SetWriteTime(src + "/a.txt", *stored + 60);
    r = Run({"Docs"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dst + "/a.txt"), "one, changed");
    EXPECT_FALSE(PathExists(dst + "/old.txt"));
    EXPECT_TRUE(Contains(r.out, "Written files (1):\n  " + src + "/a.txt\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "前回バックアップした " + FormatStoredDateTime(*stored) + " より以降"))
        << r.out;
    const std::string second = LastRun();
    ASSERT_TRUE(ParseStoredDateTime(second).has_value());
    EXPECT_GE(*ParseStoredDateTime(second), *stored);

    // A fast run that writes nothing keeps the stored time; a careful run finds the old file again.
    SetWriteTime(src + "/a.txt", Year2020);
    r = Run({"Docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Docs: written 0")) << r.out;
    EXPECT_EQ(LastRun(), second);
    r = Run({"--careful", "--quiet", "Docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dst + "/old.txt"), "old");
    EXPECT_FALSE(Contains(r.out, "Written files")) << r.out; // --quiet: the summary only
}

TEST_F(RunnerTest, DryRunDecidesLikeARealRunAndWritesNothing) {
    StoreProfile();
    mkdir((src + "/new").c_str(), 0755);
    WriteFile(src + "/new/n.txt", "new folder");
    WriteFile(src + "/big.bin", std::string(5000, 'b')); // over the threshold: a real run parks the old one
    WriteFile(dst + "/big.bin", "previous");
    SetWriteTime(dst + "/big.bin", Year2020);
    WriteFile(src + "/same.txt", "same");
    WriteFile(dst + "/same.txt", "same");
    SetWriteTime(src + "/same.txt", Year2020);
    SetWriteTime(dst + "/same.txt", Year2020);
    const std::string settingsBefore = ReadFile(settingsPath);
    const std::string listingBefore = FullListing(dst);

    ProcessResult r = Run({"--dry-run", "--threshold=1000", "--output", dir / "lists", "Docs"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FullListing(dst), listingBefore);
    EXPECT_EQ(ReadFile(settingsPath), settingsBefore); // no last-run time either
    EXPECT_TRUE(Contains(r.out, "Docs: would write 2, skipped 1")) << r.out;
    const std::string planned = ReadFile(dir / "lists/written.txt");

    // The real run writes exactly what the dry run listed.
    r = Run({"--threshold=1000", "--output", dir / "lists", "Docs"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "lists/written.txt"), planned);
    EXPECT_EQ(planned, src + "/new/n.txt\n" + src + "/big.bin\n");
    EXPECT_EQ(ReadFile(dir / "lists/failed.txt"), "");
    EXPECT_EQ(ReadFile(dst + "/big.~TMP"), "previous");
    EXPECT_FALSE(LastRun().empty());
}

TEST_F(RunnerTest, UnknownProfileRunsNothing) {
    StoreProfile();
    WriteFile(src + "/a.txt", "a");
    const ProcessResult r = Run({"Docs", "Photos"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "no profile named 'Photos'")) << r.err;
    EXPECT_FALSE(PathExists(dst + "/a.txt"));
}

TEST_F(RunnerTest, SettingsThatCannotBeReadAreAUsageError) {
    StoreProfile();
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string message;
    };
    mkdir((dir / "config").c_str(), 0755);
    const std::vector<Case> cases = {
        {{"--settings", dir.Path(), "Docs"}, {}, "cannot read the settings file " + dir.Path() + ": "},
        {{"--settings", dir / "missing.ini", "Docs"},
         {},
         "cannot read the settings file " + dir / "missing.ini"},
        // The desktop program's file, whatever this program is called; not there yet: no profiles.
        {{"Docs"},
         {"XDG_CONFIG_HOME=" + dir / "config"},
         "no profiles are stored in " + dir / "config/Korimaru/hozonix/hozonix.ini"},
        {{"--threshold", "1MB", "Docs"}, {}, "the threshold must be a number of bytes"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunRunner(c.args, dir / "run", c.env);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    }
}

TEST_F(RunnerTest, AllRunsTheTickedProfilesAndLeavesTheTicksAlone) {
    const std::string dst2 = dir / "dst2";
    mkdir(dst2.c_str(), 0755);
    StoreProfiles({{"Work", src + ">>" + dst + ">><<"}, {"Music", src + ">>" + dst2 + ">><<"}});
    WriteFile(src + "/a.txt", "a");

    ProcessResult r = Run({"--all"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "保存プロファイルをひとつ以上チェックしてください")) << r.err;

    IniFile(settingsPath).WriteString("fmFileSave", "SAVE_ALL", "Music");
    r = Run({"--all"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(PathExists(dst + "/a.txt"));
    EXPECT_EQ(ReadFile(dst2 + "/a.txt"), "a");
    EXPECT_EQ(IniFile(settingsPath).ReadIniString("fmFileSave", "SAVE_ALL"), "Music");

    {
        IniFile stored(settingsPath);
        StoreHistoryChoice(stored, "Music", {true, 7, 3});
    }
    r = Run({"--list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Contains(r.out, "    earlier versions:    kept 7 days, at most 3 of each file\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "    earlier versions:    (not kept)\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "[ ] Work\n    source:              " + src + "\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "[x] Music\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "    last run:            " + LastRun("Music") + "\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "    last run:            (never)\n")) << r.out;
}

TEST_F(RunnerTest, ErrorsEndTheRunWithStatusThree) {
    // A destination that is not there ends that run only; an unreadable stored time ends them all.
    const std::string dst2 = dir / "dst2";
    mkdir(dst2.c_str(), 0755);
    StoreProfiles({{"Offline", src + ">>" + dir / "unmounted" + ">><<"},
                   {"Broken", src + ">>" + dst + ">><<"},
                   {"Fine", src + ">>" + dst2 + ">><<"}});
    WriteFile(src + "/a.txt", "a");
    IniFile(settingsPath).WriteString("LAST_UpDateTime", "Broken", "yesterday");

    ProcessResult r = Run({"Offline", "Fine"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "コピー先のディレクトリが存在しません\n" + dir / "unmounted")) << r.err;
    EXPECT_FALSE(PathExists(dir / "unmounted"));
    EXPECT_EQ(ReadFile(dst2 + "/a.txt"), "a");

    unlink((dst2 + "/a.txt").c_str());
    r = Run({"Broken", "Fine"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "'yesterday' is not a valid date and time")) << r.err;
    EXPECT_FALSE(PathExists(dst + "/a.txt"));
    EXPECT_FALSE(PathExists(dst2 + "/a.txt"));
    EXPECT_EQ(LastRun("Broken"), "yesterday");

    r = Run({"--careful", "Broken"}); // careful mode never reads it, and stores a good time
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ParseStoredDateTime(LastRun("Broken")).has_value());
}

TEST_F(RunnerTest, TerminalGetsOneProgressLineRedrawnInPlace) {
    StoreProfile();
    WriteFile(src + "/a.txt", "a");
    RunnerProcess p({"--settings", settingsPath, "Docs"}, dir / "run", {}, true);
    const ProcessResult r = p.Wait();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Contains(r.out, "\rDocs: scanning the source folder\033[K")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\r\033[KWritten files (1):")) << r.out; // the line is cleared first
    EXPECT_FALSE(Contains(r.out, "のファイルを検査中です")) << r.out;    // status texts are not lines here
}

} // namespace hozonix::test
