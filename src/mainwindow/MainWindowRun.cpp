// Running one profile, and keeping the window's commands out of the way while a run is under way.
#include "mainwindow/MainWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxService.h"
#include "engine/DestinationLock.h"
#include "mainwindow/ProfileCheckList.h"
#include "settings/ProfileList.h"
#include "ui/ColumnMenu.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/QtRunHost.h"
#include "ui/ScreenCursor.h"
#include "ui/UiServices.h"
#include "ui/WindowThreadPrompt.h"
#include "ui/WorkerRunHost.h"
#include "ui/WorkerThread.h"

#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace hozonix::mainwindow {

void MainWindow::EnterBusy() {
    if (busy_++ > 0)
        return;
    // Disabling the containers keeps each button's own state (writtenListButton_, failedListButton_,
    // runMenuButton_) for afterwards.
    toolBar_->setEnabled(false);
    menuBar()->setEnabled(false);
    profileList_->setEnabled(false);
    profileMenu_->close();
    runMenu_->close();
}

void MainWindow::LeaveBusy() {
    if (--busy_ > 0)
        return;
    toolBar_->setEnabled(true);
    menuBar()->setEnabled(true);
    profileList_->setEnabled(true);
}

void MainWindow::RunSelectedProfile() {
    Command([this] {
        runNotices_.clear(); // those of a command that ended by an error
        {
            BusyScope busy(*this);
            RunProfile(runCaption_);
        }
        ShowRunNotices();
    });
}

void MainWindow::RunChosenProfile(const std::string& caption) {
    Command([this, caption] {
        if (caption.empty())
            return;
        runNotices_.clear(); // those of a command that ended by an error
        {
            BusyScope busy(*this);
            SetRunCaption(caption);
            RunProfile(caption);
        }
        ShowRunNotices();
    });
}

void MainWindow::RunProfile(const std::string& name) {
    BusyScope busy(*this);
    struct Cleanup {
        MainWindow& w;
        ~Cleanup() {
            w.windowHost_->HideProcessDialog();
            ui::SetScreenCursorBusy(false);
        }
    } cleanup{*this};
    ui::SetScreenCursorBusy(true);

    std::vector<std::string> ambiguous;
    const int i = profiles::FindProfile(services_.Profiles.ProfileNames, runCaption_, &ambiguous);
    if (i < 0 && !ambiguous.empty()) {
        std::string names;
        for (const std::string& n : ambiguous)
            names += (names.empty() ? "「" : "」「") + n;
        throw AppError("保存プロファイル「" + runCaption_ + "」に当てはまるプロファイルが複数あります（" +
                       names + "」）。名前を大文字と小文字の違いまで正しく選んでください");
    }
    if (i < 0 || i >= static_cast<int>(services_.Profiles.ProfileDetails.size()))
        return;
    updatedFiles_.clear();
    failedFiles_.clear();
    failureReasons_.clear();
    profileList_->Select(i);

    ui::WorkerRunHost host(*windowHost_);
    ui::WindowThreadPrompt prompt(host, services_.Ui.SharePrompt());
    profiles::RunChoices choices;
    choices.careful = copyMode_ != CopyMode::Fast;
    choices.threshold = recoveryThreshold_;
    choices.runMarkFolder = services_.DataFolder;
    choices.prompt = &prompt;
    choices.tellConnecting = true;
    choices.connect = services_.ConnectDestination;
    choices.runBackup = services_.RunBackup;
    profiles::ProfileOutcome outcome;
    const std::time_t startTime = services_.Now();
    {
        // Whatever ends the run, the window shows its last outputs and keeps what it collected.
        struct Collect {
            MainWindow& w;
            ui::WorkerRunHost& host;
            profiles::ProfileOutcome& outcome;
            ~Collect() {
                host.Show();
                w.windowHost_->EndRun();
                w.updatedFiles_ = std::move(outcome.updated);
                w.failedFiles_ = std::move(outcome.failed);
                w.failureReasons_ = outcome.figures.FailureReasons;
            }
        } collect{*this, host, outcome};
        windowHost_->BeginRun([&host] { host.RequestAbort(); });
        try {
            ui::RunOnWorkerThread([&] {
                profiles::RunStoredProfile(services_.Settings, services_.Profiles, i, choices, host, outcome,
                                           startTime);
            });
        } catch (const engine::DestinationBusyError& e) {
            // The other run goes on untouched; so does a run of all ticked profiles.
            host.Show();
            services_.Ui.Messages().ShowMessage(e.what());
            return;
        }
    }
    if (outcome.notConnected)
        return;
    const std::string& runName = outcome.name;
    for (const std::string& notice : outcome.figures.Notices)
        runNotices_.push_back(runName + "： " + notice);

    const int n = outcome.written;
    SetStatusText(n >= 1 ? std::to_string(n) + "ファイルを更新しました" : std::string());
    if (n < 1) {
        writtenListButton_->setEnabled(false);
        SetCaption(name + "<更新したファイルはありません>");
    } else {
        writtenListButton_->setEnabled(true);
        SetCaption(name + " < " + std::to_string(updatedFiles_.size()) + " ファイルを更新>");
    }
    // Told, but the run went well: a run of all ticked profiles goes on with the next.
    if (outcome.storeFailure) {
        try {
            std::rethrow_exception(outcome.storeFailure);
        } catch (const std::exception&) {
            ui::ShowCurrentError(services_.Ui.Messages());
        }
    }
    failedListButton_->setEnabled(!failedFiles_.empty());
    if (!outcome.disconnectError.empty())
        runNotices_.push_back(outcome.disconnectError);
}

void MainWindow::ShowRunNotices() {
    if (runNotices_.empty())
        return;
    std::string text;
    for (const std::string& notice : runNotices_)
        text += (text.empty() ? "" : "\r\n\r\n") + notice;
    runNotices_.clear();
    services_.Ui.Messages().ShowMessage(text);
}

} // namespace hozonix::mainwindow
