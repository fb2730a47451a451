// Running every ticked profile.
#include "MainWindowFixture.h"

#include "engine/DestinationLock.h"

#include "mainwindow/ProfileCheckList.h"
#include "settings/StoredDateTime.h"

#include <QToolButton>

using namespace hozonix;
using namespace hozonix::test;

class RunAllTest : public MainWindowTest {
protected:
    void OpenWithTicks(const std::vector<bool>& ticks, int selected) {
        StoreProfiles({"A", "B", "C"});
        Open();
        for (size_t i = 0; i < ticks.size(); ++i)
            window->Profiles()->SetTicked(static_cast<int>(i), ticks[i]);
        window->Profiles()->Select(selected);
    }
};

TEST_F(RunAllTest, MergesTheWrittenListsStoresTheTicksAndRestoresTheSelection) {
    OpenWithTicks({true, false, true}, 1);
    std::vector<std::string> captionsDuringRuns;
    auto recordCaption = [&](engine::RunHost&) { captionsDuringRuns.push_back(Caption()); };
    runs = {{{"/a/1", "/a/2", "/a/3"}, {}, "", recordCaption}, {{}, {}, "", recordCaption}};
    window->RunTickedButton()->click();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].SourceFolder, dir / "src0");
    EXPECT_EQ(requests[1].SourceFolder, dir / "src2");
    EXPECT_EQ(captionsDuringRuns, (std::vector<std::string>{"現在A を検索中です", "現在C を検索中です"}));
    EXPECT_EQ(Caption(), "Hozonix < 3 ファイルを更新>");
    EXPECT_EQ(window->UpdatedFiles(), (std::vector<std::string>{"/a/1", "/a/2", "/a/3"}));
    EXPECT_TRUE(window->WrittenListButton()->isEnabled());
    EXPECT_EQ(ini.ReadIniString("fmFileSave", "SAVE_ALL"), "A,C");
    EXPECT_EQ(window->Profiles()->Selected(), 1);
    EXPECT_EQ(window->RunCaption(), "B");
    // The last run wrote nothing: the status shows its (empty) text.
    EXPECT_EQ(Status(), "");
}

TEST_F(RunAllTest, NothingWrittenDisablesTheListButton) {
    OpenWithTicks({true, true, false}, 0);
    runs = {{{"/a/1"}, {}, "", nullptr}, {{}, {}, "", nullptr}};
    window->RunButton()->click();
    ASSERT_TRUE(window->WrittenListButton()->isEnabled());
    runs = {{{}, {}, "", nullptr}, {{}, {}, "", nullptr}};
    window->RunTickedButton()->click();
    EXPECT_EQ(Caption(), "Hozonix <更新したファイルはありません>");
    EXPECT_FALSE(window->WrittenListButton()->isEnabled());
    EXPECT_TRUE(window->UpdatedFiles().empty());
}

TEST_F(RunAllTest, OnlyTheLastRunDecidesTheFailureButtonAndEachProfileKeepsItsOwnTime) {
    OpenWithTicks({true, true, false}, 0);
    runs = {{{"/a/1"}, {"/a/2"}, "", nullptr}, {{"/b/1"}, {}, "", nullptr}};
    window->RunTickedButton()->click();
    EXPECT_FALSE(window->FailedListButton()->isEnabled());
    EXPECT_TRUE(window->FailedFiles().empty());
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), "");
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "B"), FormatStoredDateTime(Now));
    EXPECT_EQ(Caption(), "Hozonix < 2 ファイルを更新>");
}

TEST_F(RunAllTest, NoTickAsksForOneAndKeepsTheStoredTicks) {
    OpenWithTicks({false, false, false}, 2);
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "B");
    window->RunTickedButton()->click();
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(LastMessage(), "保存プロファイルをひとつ以上チェックしてください");
    EXPECT_EQ(ini.ReadIniString("fmFileSave", "SAVE_ALL"), "B");
    EXPECT_EQ(Caption(), "Hozonix");
    EXPECT_EQ(window->Profiles()->Selected(), 2);
    EXPECT_EQ(window->RunCaption(), "C");
}

TEST_F(RunAllTest, AnErrorEndsTheCommandAtThatProfile) {
    OpenWithTicks({true, true, true}, 2);
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "old");
    runs = {{{"/a/1"}, {}, "", nullptr}, {{}, {}, "Cannot create file /b/x", nullptr}};
    window->RunTickedButton()->click();
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_EQ(LastMessage(), "Cannot create file /b/x");
    EXPECT_EQ(ini.ReadIniString("fmFileSave", "SAVE_ALL"), "old");
    EXPECT_EQ(Caption(), "現在B を検索中です");
    EXPECT_EQ(window->Profiles()->Selected(), 1);
    EXPECT_EQ(window->RunCaption(), "B");
    EXPECT_TRUE(window->UpdatedFiles().empty());
    EXPECT_FALSE(window->RunInProgress());
}

TEST_F(RunAllTest, WithoutASelectionTheLastRunsSelectionStays) {
    OpenWithTicks({true, true, false}, -1);
    window->RunTickedButton()->click();
    EXPECT_EQ(window->Profiles()->Selected(), 1);
    EXPECT_EQ(window->RunCaption(), "B");
}

TEST_F(RunAllTest, ABusyDestinationOrATimeThatCannotBeStoredIsToldAndTheNextProfilesStillRun) {
    // "[old" was stored before such names were refused: its time cannot be a key of the settings file.
    StoreProfiles({"[old", "A", "B"});
    Open();
    for (int i = 0; i < 3; ++i)
        window->Profiles()->SetTicked(i, true);
    const auto busy = [](engine::RunHost&) {
        throw engine::DestinationBusyError("別のバックアップがコピー先のディレクトリを使用中です\r\n/dst");
    };
    runs = {{{"/o/1"}, {}, "", nullptr}, {{}, {}, "", busy}, {{"/b/1"}, {}, "", nullptr}};
    window->RunTickedButton()->click();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].RunMarkFolder, dir.Path());
    EXPECT_EQ(requests[2].ProfileName, "B");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "設定ファイルに保存できない文字が含まれています\r\n[LAST_UpDateTime] [old");
    EXPECT_EQ(messages.shown[1].text, "別のバックアップがコピー先のディレクトリを使用中です\r\n/dst");
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "B"), FormatStoredDateTime(Now));
    EXPECT_EQ(window->UpdatedFiles(), (std::vector<std::string>{"/o/1", "/b/1"}));
}
