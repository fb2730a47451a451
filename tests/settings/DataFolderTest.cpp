#include "settings/DataFolder.h"
#include "base/AppError.h"
#include "settings/StoredDateTime.h"

#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hozonix;
using hozonix::test::PathExists;
using hozonix::test::ScriptedMessageBox;
using hozonix::test::TempFolder;
using hozonix::test::WriteFile;

namespace {

TEST(DataFolder, FirstStartCreatesEverythingSilently) {
    TempFolder dir;
    ScriptedMessageBox boxes;
    const std::string config = dir / "config";
    PrepareResult r = PrepareDataFolder("/usr/bin/hozonix", boxes, config);
    EXPECT_FALSE(r.quitRequested);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(r.paths.ProgramBaseName, "hozonix");
    EXPECT_EQ(r.paths.DataFolder, config + "/Korimaru/hozonix");
    EXPECT_EQ(r.paths.SettingsFilePath, config + "/Korimaru/hozonix/hozonix.ini");
    EXPECT_EQ(r.paths.DicFolder, config + "/Korimaru/hozonix/DIC");
    EXPECT_EQ(r.paths.TempFolder, config + "/Korimaru/hozonix/TEMP");
    EXPECT_TRUE(FolderExists(r.paths.DicFolder));
    EXPECT_TRUE(FolderExists(r.paths.TempFolder));
    EXPECT_FALSE(PathExists(r.paths.SettingsFilePath)); // not until the first write

    // Again, with everything there, and with a trailing separator on the configuration folder.
    PrepareResult again = PrepareDataFolder("/usr/bin/hozonix", boxes, config + "/");
    EXPECT_EQ(again.paths.DataFolder, r.paths.DataFolder);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(DataFolder, RenamedProgramGetsItsOwnFolder) {
    EXPECT_EQ(ProgramBaseNameOf("/opt/x/Other.exe"), "Other");
    EXPECT_EQ(ProgramBaseNameOf("hozonix"), "hozonix");
    EXPECT_EQ(ProgramBaseNameOf("/a.b/prog.v2.bin"), "prog.v2");
    TempFolder dir;
    ScriptedMessageBox boxes;
    PrepareResult r = PrepareDataFolder("/opt/x/Other.exe", boxes, dir.Path());
    EXPECT_EQ(r.paths.SettingsFilePath, dir.Path() + "/Korimaru/Other/Other.ini");
}

TEST(DataFolder, UncreatableFolderShowsTheStopMessage) {
    TempFolder dir;
    WriteFile(dir / "Korimaru", "a file where the folder should be");
    ScriptedMessageBox boxes;
    PrepareResult r = PrepareDataFolder("/usr/bin/hozonix", boxes, dir.Path());
    EXPECT_TRUE(r.quitRequested);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Plain);
    EXPECT_EQ(boxes.shown[0].text, "INIフォルダー" + dir.Path() +
                                       "/Korimaru/hozonix>\r\nの作成に失敗しました(x.x)\r\n"
                                       "プログラムを中止します");
    EXPECT_EQ(r.paths.SettingsFilePath, dir.Path() + "/Korimaru/hozonix/hozonix.ini");
}

TEST(DataFolder, UncreatableDicFolderRaisesThePlatformError) {
    TempFolder dir;
    ScriptedMessageBox boxes;
    PrepareDataFolder("hozonix", boxes, dir.Path());
    std::string dic = dir.Path() + "/Korimaru/hozonix/DIC";
    rmdir(dic.c_str());
    WriteFile(dic, "blocked");
    try {
        PrepareDataFolder("hozonix", boxes, dir.Path());
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find(dic), std::string::npos);
    }
}

TEST(DataFolder, ConfigFolderComesFromXdgThenHome) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(UserConfigFolder(), "/x/conf");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(UserConfigFolder(), "/home/u/.config");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigFolder(), "/home/u/.config");
    oldXdg ? setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}

TEST(StoredDateTime, RoundTripsToTheSecondAndRefusesOtherText) {
    const std::time_t now = std::time(nullptr);
    std::string text = FormatStoredDateTime(now);
    ASSERT_EQ(text.size(), 19u);
    EXPECT_EQ(ParseStoredDateTime(text), now);
    for (const char* bad : {"", "2024/02/30 10:00:00", "2024/13/01 10:00:00", "2024/01/01 24:00:00",
                            "2024-01-01 10:00:00", "2024/1/1 10:00:00", "2024/01/01 10:00:00 ", "今日"})
        EXPECT_FALSE(ParseStoredDateTime(bad).has_value()) << bad;
    std::tm tm{};
    tm.tm_year = 124, tm.tm_mon = 2, tm.tm_mday = 5, tm.tm_hour = 9, tm.tm_min = 7, tm.tm_sec = 3,
    tm.tm_isdst = -1;
    EXPECT_EQ(FormatStoredDateTime(std::mktime(&tm)), "2024/03/05 09:07:03");
}

TEST(StoredDateTime, ADateLimitInTheFutureComparesEveryFileAndOneBeyondRangeIsRefused) {
    const std::time_t now = *ParseStoredDateTime("2026/06/01 12:00:00");
    DateLimitChoice c = ChooseDateLimit("2026/05/31 12:00:00", false, now);
    EXPECT_EQ(c.limit, static_cast<int64_t>(now - 86400) * 1'000'000'000);
    EXPECT_EQ(c.statusText, "前回バックアップした 2026/05/31 12:00:00 "
                            "より以降に作成、もしくは更新されたファイルのみ選択しています");
    EXPECT_EQ(ChooseDateLimit("2026/05/31 12:00:00", true, now).limit, 0);

    c = ChooseDateLimit("2027/01/01 00:00:00", false, now); // a clock that was wrong
    EXPECT_EQ(c.limit, 0);
    EXPECT_EQ(
        c.statusText,
        "前回バックアップした日時 2027/01/01 00:00:00 が現在より後のため、すべてのファイルを照合しています");
    for (const char* beyond : {"9999/12/31 23:59:59", "0001/01/01 00:00:00", "yesterday"})
        EXPECT_THROW(ChooseDateLimit(beyond, false, now), AppError) << beyond;
}

} // namespace
