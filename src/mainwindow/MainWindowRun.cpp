// Running one profile, and keeping the window's commands out of the way while a run is under way.
#include "mainwindow/MainWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxService.h"
#include "engine/DestinationLock.h"
#include "mainwindow/ProfileCheckList.h"
#include "settings/IniFile.h"
#include "settings/LastRunRecord.h"
#include "settings/ProfileList.h"
#include "settings/StoredDateTime.h"
#include "ui/CoalescingRunHost.h"
#include "ui/ColumnMenu.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/ScreenCursor.h"
#include "ui/UiServices.h"

#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace hozonix::ui {

namespace {

// The exact name first: names that differ only in letter case may still be stored from before.
int FindProfileNamed(const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int>(i);
    }
    QString wanted = QString::fromStdString(name);
    for (size_t i = 0; i < names.size(); ++i) {
        if (QString::fromStdString(names[i]).compare(wanted, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

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
    busyPanel_->setText(QStringLiteral("実行中"));
    busyPanel_->repaint();
}

void MainWindow::LeaveBusy() {
    if (--busy_ > 0)
        return;
    toolBar_->setEnabled(true);
    menuBar()->setEnabled(true);
    profileList_->setEnabled(true);
    busyPanel_->clear();
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
            w.host_->HideProcessDialog();
            SetScreenCursorBusy(false);
        }
    } cleanup{*this};
    SetScreenCursorBusy(true);

    int i = FindProfileNamed(profileList_->Names(), runCaption_);
    if (i < 0 || i >= static_cast<int>(services_.Profiles.ProfileDetails.size()))
        return;
    updatedFiles_.clear();
    failedFiles_.clear();
    failureReasons_.clear();
    profileList_->Select(i);
    ProfileDetail detail = SplitDetailLine(services_.Profiles.ProfileDetails[i]);
    const std::string runName = runCaption_;
    if (detail.SourceFolder.empty() || detail.DestinationFolder.empty())
        throw AppError("保存プロファイル「" + runName + "」の" +
                       (detail.SourceFolder.empty() ? "コピー元" : "コピー先") +
                       "のディレクトリが設定されていません");
    std::time_t startTime = services_.Now();
    // A share is connected for the run and left as it was found; the profile's texts keep the address.
    std::string destination;
    std::unique_ptr<shares::ConnectedShare> share;
    try {
        if (shares::LooksLikeShareAddress(detail.DestinationFolder))
            SetStatusText(detail.DestinationFolder + " に接続しています");
        share = services_.ConnectDestination
                    ? services_.ConnectDestination(detail.DestinationFolder, destination)
                    : shares::ConnectDestination(detail.DestinationFolder, &services_.Ui.SharePrompt(),
                                                 destination);
    } catch (const shares::ShareConnectError& e) {
        // As for a drive that is not there: nothing written, and a run of all ticked profiles goes on.
        SetStatusText(std::string());
        services_.Ui.Messages().ShowMessage(e.what());
        return;
    }
    if (!share)
        destination = detail.DestinationFolder;
    const LastRun last =
        ReadLastRun(services_.Settings, runName, detail.SourceFolder, detail.DestinationFolder);
    const DateLimitChoice limit = ChooseDateLimit(last, copyMode_ != CopyMode::Fast, startTime);
    SetStatusText(limit.statusText);

    engine::BackupRequest request;
    request.DateLimit = limit.limit;
    request.RecoveryThreshold = recoveryThreshold_;
    request.SourceFolder = detail.SourceFolder;
    request.DestinationFolder = destination;
    request.ExcludedExtensions = detail.ExcludedExtensions;
    request.ExcludedFolders = detail.ExcludedFolders;
    request.RunMarkFolder = services_.DataFolder;
    request.ProfileName = runName;
    request.LastRunToken = last.token;
    request.LastRunMount = last.mount;
    engine::BackupResult figures;
    int n = 0;
    try {
        n = services_.RunBackup(request, updatedFiles_, failedFiles_, *host_, figures);
    } catch (const engine::DestinationBusyError& e) {
        // The other run goes on untouched; so does a run of all ticked profiles.
        services_.Ui.Messages().ShowMessage(e.what());
        return;
    }
    failureReasons_ = figures.FailureReasons;
    for (const std::string& notice : figures.Notices)
        runNotices_.push_back(runName + "： " + notice);

    SetStatusText(n >= 1 ? std::to_string(n) + "ファイルを更新しました" : std::string());
    if (n < 1) {
        writtenListButton_->setEnabled(false);
        SetCaption(name + "<更新したファイルはありません>");
    } else {
        writtenListButton_->setEnabled(true);
        SetCaption(name + " < " + std::to_string(updatedFiles_.size()) + " ファイルを更新>");
    }
    // Told, but the run went well: a run of all ticked profiles goes on with the next.
    try {
        // A run that stopped early (abort, or a question answered so) did not reach every file: storing
        // its start time would hide the files it never got to from every later fast run.
        if (n >= 1 && failedFiles_.empty() && !figures.Stopped)
            StoreLastRunTime(services_.Settings, runName, startTime);
        if (!figures.RunToken.empty())
            StoreLastDestination(services_.Settings, runName, detail.SourceFolder, detail.DestinationFolder,
                                 figures.RunToken, figures.DestinationMount);
    } catch (const AppError&) {
        ShowCurrentError(services_.Ui.Messages());
    }
    failedListButton_->setEnabled(!failedFiles_.empty());
    std::string why;
    if (share && !share->Disconnect(&why))
        runNotices_.push_back(why);
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

} // namespace hozonix::ui
