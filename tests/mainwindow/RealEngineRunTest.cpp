// A run through the real engine from the window's button.
#include "MainWindowFixture.h"

#include "engine/EngineTexts.h"
#include "mainwindow/ProfileCheckList.h"
#include "settings/StoredDateTime.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <thread>

#include <unistd.h>
#include <utime.h>

using namespace hozonix;
using namespace hozonix::test;

TEST_F(MainWindowTest, TheButtonRunsTheRealEngineAndAFastRunAfterItWritesOnlyWhatChanged) {
    for (const char* folder : {"src0/sub", "dst0"})
        ASSERT_EQ(CreateFolderTree(dir / folder), 0);
    WriteFile(dir / "src0/a.txt", "a");
    WriteFile(dir / "src0/sub/b.txt", "bb");
    WriteFile(dir / "src0/c.bak", "excluded");
    StoreProfiles({"A"});
    mainwindow::MainWindowServices s(ini, profiles, services);
    Open(std::move(s));

    window->RunButton()->click();
    EXPECT_EQ(ReadFile(dir / "dst0/sub/b.txt"), "bb");
    EXPECT_FALSE(PathExists(dir / "dst0/c.bak"));
    EXPECT_EQ(Caption(), "A < 2 ファイルを更新>");
    EXPECT_EQ(Status(), "2ファイルを更新しました");
    EXPECT_EQ(window->ProgressBar()->value(), 100);
    const std::string stored = ini.ReadIniString("LAST_UpDateTime", "A");
    ASSERT_TRUE(ParseStoredDateTime(stored).has_value());

    // A file changed after the stored start time is the only one written by the next fast run.
    WriteFile(dir / "src0/a.txt", "new");
    utimbuf later{*ParseStoredDateTime(stored) + 60, *ParseStoredDateTime(stored) + 60};
    ASSERT_EQ(utime((dir / "src0/a.txt").c_str(), &later), 0);
    window->RunButton()->click();
    EXPECT_EQ(window->UpdatedFiles(), std::vector<std::string>{dir / "src0/a.txt"});
    EXPECT_EQ(ReadFile(dir / "dst0/a.txt"), "new");
    ASSERT_NE(services.ProcessDialog().Dialog(), nullptr);
    EXPECT_FALSE(services.ProcessDialog().Dialog()->isVisible());
}

namespace {

// The engine's host for a scan that takes as long as the person takes to press 中止.
struct SlowScanHost : engine::RunHost {
    engine::RunHost& window;
    explicit SlowScanHost(engine::RunHost& w) : window(w) {}
    void ScanTakesLong() override {
        window.ScanTakesLong();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!window.AbortRequested() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (window.AbortRequested())
            RequestAbort();
    }
    void SetStatusText(const std::string& t) override { window.SetStatusText(t); }
    void SetMainBar(int p) override { window.SetMainBar(p); }
    void ShowProcessDialog(const std::string& c) override { window.ShowProcessDialog(c); }
    void UpdateProcessDialog(int p, const std::string& u, const std::string& l) override {
        window.UpdateProcessDialog(p, u, l);
    }
    void HideProcessDialog() override { window.HideProcessDialog(); }
    void ShowMessage(const std::string& t) override { window.ShowMessage(t); }
    bool AskSkipInvalidDate(const std::string& t) override { return window.AskSkipInvalidDate(t); }
    engine::ContinueAnswer AskContinue(const std::string& t) override { return window.AskContinue(t); }
    void ProcessPendingEvents() override { window.ProcessPendingEvents(); }
    void SetBusyCursor(bool b) override { window.SetBusyCursor(b); }
};

} // namespace

TEST_F(MainWindowTest, TheAbortButtonEndsARunDuringALongScan) {
    for (const char* folder : {"src0", "dst0"})
        ASSERT_EQ(CreateFolderTree(dir / folder), 0);
    WriteFile(dir / "src0/a.txt", "a");
    StoreProfiles({"A"});
    mainwindow::MainWindowServices s(ini, profiles, services);
    // The real engine, with a scan that counts as long from its start.
    s.RunBackup = [](engine::BackupRequest r, engine::PathList& u, engine::PathList& f, engine::RunHost& h,
                     engine::BackupResult& result) {
        r.ScanQuietFor = std::chrono::milliseconds(0);
        r.ScanLongAfter = std::chrono::milliseconds(0);
        SlowScanHost slow(h);
        return engine::RunBackup(r, u, f, slow, &result);
    };
    Open(std::move(s));
    // The window handles its events while the run scans on its own thread: the dialog shows, and its
    // abort button is pressed.
    bool shownDuringScan = false;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ui::ProcessingDialog* dialog = services.ProcessDialog().Dialog();
        if (dialog != nullptr && dialog->isVisible() && !shownDuringScan) {
            shownDuringScan = true;
            dialog->AbortButton()->click();
        }
    });
    poll.start();
    window->RunButton()->click();
    EXPECT_TRUE(shownDuringScan);
    EXPECT_FALSE(PathExists(dir / "dst0/a.txt"));
    EXPECT_EQ(Caption(), "A<更新したファイルはありません>");
    EXPECT_TRUE(ini.ReadIniString("LAST_UpDateTime", "A").empty());
    EXPECT_FALSE(services.ProcessDialog().Dialog()->isVisible());
}

TEST_F(MainWindowTest, WhatNoRunCanCopyIsListedWithItsReasonAndWhatTheRunHadToSayIsToldOnceAfterIt) {
    for (const char* folder : {"src0", "dst0/notes"})
        ASSERT_EQ(CreateFolderTree(dir / folder), 0);
    WriteFile(dir / "src0/a.txt", "a");
    WriteFile(dir / "src0/notes", "a file of the source; a folder in the backup");
    ASSERT_EQ(symlink("/", (dir / "src0/z:").c_str()), 0);
    StoreProfiles({"A"});
    mainwindow::MainWindowServices s(ini, profiles, services);
    s.DataFolder = dir.Path();
    Open(std::move(s));

    window->RunButton()->click();
    EXPECT_EQ(ReadFile(dir / "dst0/a.txt"), "a");
    EXPECT_EQ(Caption(), "A < 1 ファイルを更新>");
    // One box, once the run is over: nothing held the run up.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(LastMessage(), "A： " + std::string(engine::texts::LinksNotEntered) + "\r\n" + dir / "src0/z:");
    ASSERT_TRUE(window->FailedListButton()->isEnabled());
    window->FailedListButton()->click();
    EXPECT_EQ(services.MessageList().Dialog()->Lines(),
              std::vector<std::string>{dir / "src0/notes" + " （" + engine::texts::NotAFileThere + "）"});
    // A run with a failure leaves the stored time, and no record of a complete run, as they were.
    EXPECT_EQ(ini.ReadIniString("LAST_UpDateTime", "A"), "");
    EXPECT_EQ(ini.ReadIniString("HOZONIX_Destination", "A"), "");

    unlink((dir / "src0/notes").c_str());
    window->RunButton()->click();
    EXPECT_NE(ini.ReadIniString("HOZONIX_Destination", "A"), "") << "a complete run is remembered";
    EXPECT_FALSE(window->FailedListButton()->isEnabled());
}
