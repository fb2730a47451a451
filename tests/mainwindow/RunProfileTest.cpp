// Running one profile: the date limit, the texts, the stored last-run time, errors, and the busy state.
#include "MainWindowFixture.h"

#include "mainwindow/ProfileCheckList.h"
#include "settings/StoredDateTime.h"
#include "ui/ColumnMenu.h"
#include "ui/ProcessingDialog.h"
#include "ui/ScreenCursor.h"

#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <thread>

using namespace hozonix;
using namespace hozonix::test;

TEST_F(MainWindowTest, AFastRunStoresItsStartTimeAndTheNextFastRunStartsFromIt) {
    StoreProfiles({"A"});
    Open();
    runs = {{{"/s/1", "/s/2"}, {}, "", nullptr}, {{}, {}, "", nullptr}};
    window->RunButton()->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].DateLimit, 0);
    EXPECT_EQ(requests[0].SourceFolder, dir / "src0");
    EXPECT_EQ(requests[0].DestinationFolder, dir / "dst0");
    EXPECT_EQ(requests[0].ExcludedExtensions, ".bak");
    EXPECT_EQ(Status(), "2ファイルを更新しました");
    EXPECT_EQ(Caption(), "A < 2 ファイルを更新>");
    EXPECT_TRUE(window->WrittenListButton()->isEnabled());
    EXPECT_FALSE(window->FailedListButton()->isEnabled());
    const std::string stored = ini.ReadIniString("LAST_UpDateTime", "A");
    EXPECT_EQ(stored, FormatStoredDateTime(Now));

    std::string statusDuringRun;
    runs[0].during = [&](engine::RunHost&) { statusDuringRun = Status(); };
    window->RunButton()->click();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].DateLimit, static_cast<int64_t>(Now) * 1'000'000'000);
    EXPECT_EQ(statusDuringRun, "前回バックアップした " + stored +
                                   " より以降に作成、もしくは更新されたファイルのみ選択しています");
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(Caption(), "A<更新したファイルはありません>");
    EXPECT_FALSE(window->WrittenListButton()->isEnabled());
}

TEST_F(MainWindowTest, ARunWithFailuresNoWritesOrAnEarlyStopKeepsTheStoredTime) {
    StoreProfiles({"A"});
    ini.WriteIniString("LAST_UpDateTime", "A", "2024/01/02 03:04:05");
    Open();
    runs = {{{"/s/1"}, {"/s/2"}, "", nullptr}, {{}, {}, "", nullptr}, {{"/s/3"}, {}, "", nullptr, true}};
    window->RunButton()->click();
    EXPECT_TRUE(window->WrittenListButton()->isEnabled());
    EXPECT_TRUE(window->FailedListButton()->isEnabled());
    window->RunButton()->click();
    EXPECT_FALSE(window->FailedListButton()->isEnabled());
    // Stopped by the abort button after writing a file: the files it never reached must stay in view.
    window->RunButton()->click();
    EXPECT_TRUE(window->WrittenListButton()->isEnabled());
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), "2024/01/02 03:04:05");
    EXPECT_EQ(requests.back().DateLimit,
              static_cast<int64_t>(*ParseStoredDateTime("2024/01/02 03:04:05")) * 1'000'000'000);
}

TEST_F(MainWindowTest, CarefulModePassesNoDateLimitAndShowsNoTextBeforeTheRun) {
    StoreProfiles({"A"});
    ini.WriteIniString("LAST_UpDateTime", "A", "2026/01/02 03:04:05");
    Open();
    window->CarefulModeItem()->trigger();
    std::string statusDuringRun = "unset";
    runs = {{{"/s/1"}, {}, "", [&](engine::RunHost&) { statusDuringRun = Status(); }}};
    window->RunButton()->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].DateLimit, 0);
    EXPECT_EQ(statusDuringRun, "");
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), FormatStoredDateTime(Now));
}

TEST_F(MainWindowTest, AStoredTimeThatCannotBeReadStopsFastRunsOnly) {
    StoreProfiles({"A"});
    ini.WriteIniString("LAST_UpDateTime", "A", "12/31/2026 1:00 PM");
    Open();
    window->CarefulModeItem()->trigger();
    runs = {{{"/s/old"}, {"/s/failed"}, "", nullptr}};
    window->RunButton()->click();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(window->UpdatedFiles().size(), 1u);

    window->FastModeItem()->trigger();
    window->RunButton()->click();
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(LastMessage(), "'12/31/2026 1:00 PM' は正しい日付と時刻ではありません");
    EXPECT_TRUE(window->UpdatedFiles().empty());
    EXPECT_TRUE(window->FailedFiles().empty());
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), "12/31/2026 1:00 PM");
    EXPECT_FALSE(ui::ScreenCursorIsBusy());
}

TEST_F(MainWindowTest, AnEngineErrorLeavesCaptionStatusAndButtonsAsTheyWere) {
    StoreProfiles({"A"});
    Open();
    runs = {{{"/s/1"}, {}, "", nullptr}, {{}, {}, "Cannot open file /s/x", [](engine::RunHost& h) {
                                              h.ShowProcessDialog("");
                                              h.SetStatusText("途中");
                                          }}};
    window->RunButton()->click();
    const std::string stored = ini.ReadIniString("LAST_UpDateTime", "A");
    window->RunButton()->click();
    EXPECT_EQ(LastMessage(), "Cannot open file /s/x");
    EXPECT_EQ(Caption(), "A < 1 ファイルを更新>");
    EXPECT_EQ(Status(), "途中");
    EXPECT_TRUE(window->WrittenListButton()->isEnabled());
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), stored);
    ASSERT_NE(services.ProcessDialog().Dialog(), nullptr);
    EXPECT_FALSE(services.ProcessDialog().Dialog()->isVisible());
    EXPECT_FALSE(ui::ScreenCursorIsBusy());
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_TRUE(window->ToolBar()->isEnabled());
}

TEST_F(MainWindowTest, SaveBtnRunsItsCaptionAndTheRunMenuChangesIt) {
    StoreProfiles({"A", "B", "C"});
    Open();
    window->Profiles()->Select(2);
    window->RunButton()->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].SourceFolder, dir / "src0");
    EXPECT_EQ(window->Profiles()->Selected(), 0);

    ASSERT_EQ(window->RunMenu()->Items().size(), 3u);
    window->RunMenu()->Items()[1]->trigger();
    EXPECT_EQ(window->RunCaption(), "B");
    EXPECT_EQ(window->Profiles()->Selected(), 1);
    EXPECT_EQ(requests.back().SourceFolder, dir / "src1");

    // The caption is looked up without regard to letter case.
    window->RunChosenProfile("c");
    EXPECT_EQ(requests.back().SourceFolder, dir / "src2");
    EXPECT_EQ(Caption(), "c<更新したファイルはありません>");
    EXPECT_EQ(requests.size(), 3u);
}

TEST_F(MainWindowTest, ASecondCommandDuringARunIsRefusedAndTheWindowShowsItIsBusy) {
    StoreProfiles({"A", "B"});
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "A,B");
    Open();
    window->show();
    bool toolBarEnabled = true, menuEnabled = true, listEnabled = true, closedDuringRun = false;
    std::string busyText;
    runs = {{{"/s/1"}, {}, "", [&](engine::RunHost& host) {
                 toolBarEnabled = window->ToolBar()->isEnabled();
                 menuEnabled = window->menuBar()->isEnabled();
                 listEnabled = window->Profiles()->isEnabled();
                 busyText = window->BusyPanel()->text().toStdString();
                 window->RunButton()->click();
                 window->RunTickedButton()->click();
                 window->RunTickedProfiles();
                 window->RunChosenProfile("B");
                 window->NewProfile();
                 window->EditSelectedProfile();
                 window->Profiles()->Select(1);
                 window->DeleteSelectedProfile();
                 window->Recovery1MBItem()->trigger();
                 window->CarefulModeItem()->trigger();
                 window->SetClosedHandler([&] { closedDuringRun = true; });
                 window->close();
                 host.ProcessPendingEvents();
             }}};
    window->RunButton()->click();
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_FALSE(toolBarEnabled);
    EXPECT_FALSE(menuEnabled);
    EXPECT_FALSE(listEnabled);
    EXPECT_EQ(busyText, ""); // the first panel is not used
    EXPECT_TRUE(wizard.calls.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(profiles.ProfileNames.size(), 2u);
    EXPECT_EQ(window->RecoveryThreshold(), 0);
    EXPECT_EQ(window->Mode(), mainwindow::CopyMode::Fast);
    EXPECT_FALSE(closedDuringRun);
    EXPECT_TRUE(window->isVisible());

    // Afterwards everything works again, and each button keeps the state the run gave it.
    EXPECT_TRUE(window->ToolBar()->isEnabled());
    EXPECT_TRUE(window->menuBar()->isEnabled());
    EXPECT_TRUE(window->WrittenListButton()->isEnabled());
    EXPECT_FALSE(window->FailedListButton()->isEnabled());
    EXPECT_EQ(window->BusyPanel()->text(), "");
    window->RunTickedButton()->click();
    EXPECT_EQ(requests.size(), 3u);
}

TEST_F(MainWindowTest, AShareIsConnectedForTheRunAndAShareThatCannotBeIsNamedWithNothingWritten) {
    ProfileList list;
    list.ProfileNames = {"Nas"};
    list.ProfileDetails = {dir / "src0" + ">>\\\\nas\\photos\\2024>>.bak<<"};
    SaveProfileList(ini, list);
    std::vector<std::string> events;
    bool refuse = false;
    mainwindow::MainWindowServices s = Services();
    s.ConnectDestination = RecordingConnect(events, refuse, dir / "mounted");
    Open(std::move(s));
    runs = {{{"/s/1"}, {}, "", [&](engine::RunHost&) { events.push_back("run"); }}};
    window->RunButton()->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].DestinationFolder, dir / "mounted");
    EXPECT_EQ(events,
              (std::vector<std::string>{"connect \\\\nas\\photos\\2024", "run", "disconnect", "gone"}));
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "Nas"), FormatStoredDateTime(Now));

    refuse = true;
    window->RunButton()->click();
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(LastMessage(), "共有フォルダ \\\\nas\\photos に接続できません");
}

TEST_F(MainWindowTest, WhileAWriteStallsTheWindowShowsItAndTheAbortEndsTheRunWhenTheCallReturns) {
    StoreProfiles({"A"});
    Open();
    mainwindow::MainWindowServices s = Services();
    std::atomic<bool> released{false};
    bool abortSeenDuringStall = false;
    s.RunBackup = [&](const engine::BackupRequest&, engine::PathList& updated, engine::PathList&,
                      engine::RunHost& host, engine::BackupResult& result) {
        updated.push_back("/s/first");
        host.ShowProcessDialog("コピー");
        host.UpdateProcessDialog(50, "", "/s/stalled.img");
        // A write to a server that does not answer: nothing returns until the test lets it.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!released && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        abortSeenDuringStall = host.AbortRequested();
        result.Stopped = host.AbortRequested(); // the engine's next file step
        return 1;
    };
    Open(std::move(s));
    ui::ProcessingDialog* dialog = nullptr;
    int ticks = 0;
    std::string lowerDuringStall;
    std::string upperDuringStall = "unread";
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ++ticks; // the window goes on handling its events
        dialog = services.ProcessDialog().Dialog();
        if (!lowerDuringStall.empty()) {
            released = true;
            return;
        }
        if (dialog != nullptr && dialog->isVisible() && ticks >= 20) {
            lowerDuringStall = dialog->LowerText()->toPlainText().toStdString();
            upperDuringStall = dialog->UpperText()->toPlainText().toStdString();
            dialog->close(); // the window manager's close button is 中止
        }
    });
    // The dialog of a run before starts blank.
    services.ProcessDialog().ShowProcessDialog("");
    services.ProcessDialog().UpdateProcessDialog(99, "検査済 99.7%", "/old/path");
    services.ProcessDialog().HideProcessDialog();
    poll.start();
    window->RunButton()->click();
    poll.stop();
    EXPECT_EQ(lowerDuringStall, "/s/stalled.img");
    EXPECT_EQ(upperDuringStall, "");
    EXPECT_TRUE(released);
    EXPECT_TRUE(abortSeenDuringStall);
    EXPECT_EQ(Caption(), "A < 1 ファイルを更新>");
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), ""); // stopped early: no time stored
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(window->ToolBar()->isEnabled());
}
