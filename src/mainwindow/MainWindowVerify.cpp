// Checking the selected profile's backup against its source, on the worker thread as a run goes.
#include "mainwindow/MainWindow.h"

#include "base/MessageBoxService.h"
#include "engine/DestinationLock.h"
#include "mainwindow/ProfileCheckList.h"
#include "profiles/StoredProfileVerify.h"
#include "settings/ProfileList.h"
#include "ui/QtRunHost.h"
#include "ui/ScreenCursor.h"
#include "ui/UiServices.h"
#include "ui/WindowThreadPrompt.h"
#include "ui/WorkerRunHost.h"
#include "ui/WorkerThread.h"

namespace hozonix::mainwindow {

namespace {

constexpr char NoneSelected[] = "検証する保存プロファイルを選択してください";
constexpr char ResultTitle[] = "検証結果";

std::string SummaryOf(const profiles::VerifyOutcome& outcome) {
    const engine::VerifyResult& r = outcome.result;
    return "保存プロファイル「" + outcome.name + "」： " + std::to_string(r.FilesChecked) +
           " ファイルを照合し、" + std::to_string(r.Differences.size()) +
           " ファイルがバックアップと異なります" + (r.Stopped ? "（途中で中止しました）" : "");
}

} // namespace

void MainWindow::VerifySelectedProfile() {
    Command([this] {
        const int i = profileList_->Selected();
        if (i < 0 || i >= static_cast<int>(services_.Profiles.ProfileDetails.size())) {
            services_.Ui.Messages().ShowMessage(NoneSelected);
            return;
        }
        runNotices_.clear(); // those of a command that ended by an error
        profiles::VerifyOutcome outcome;
        {
            BusyScope busy(*this);
            struct Cleanup {
                MainWindow& w;
                ~Cleanup() {
                    w.windowHost_->HideProcessDialog();
                    ui::SetScreenCursorBusy(false);
                }
            } cleanup{*this};
            ui::SetScreenCursorBusy(true);

            ui::WorkerRunHost host(*windowHost_);
            ui::WindowThreadPrompt prompt(host, services_.Ui.SharePrompt());
            profiles::VerifyChoices choices;
            choices.prompt = &prompt;
            choices.tellConnecting = true;
            choices.connect = services_.ConnectDestination;
            struct Collect {
                MainWindow& w;
                ui::WorkerRunHost& host;
                ~Collect() {
                    host.Show();
                    w.windowHost_->EndRun();
                }
            } collect{*this, host};
            windowHost_->BeginRun([&host] { host.RequestAbort(); });
            try {
                ui::RunOnWorkerThread([&] {
                    profiles::VerifyStoredProfile(services_.Settings, services_.Profiles, i, choices, host,
                                                  outcome);
                });
            } catch (const engine::DestinationBusyError& e) {
                host.Show();
                services_.Ui.Messages().ShowMessage(e.what());
                return;
            }
        }
        if (outcome.notConnected)
            return;

        const engine::VerifyResult& r = outcome.result;
        const std::string checked = std::to_string(r.FilesChecked);
        SetStatusText(checked + " ファイルを照合しました");
        if (!r.Differences.empty()) {
            engine::PathList lines;
            lines.push_back(SummaryOf(outcome));
            lines.Append(engine::WithReasons(r.Differences, r.Reasons, " （", "）"));
            services_.Ui.MessageList().ShowPathList(ResultTitle, std::move(lines));
        } else if (r.Stopped) {
            services_.Ui.Messages().ShowMessage("検証を中止しました。それまでに照合した " + checked +
                                                " ファイルはバックアップと一致しました");
        } else {
            services_.Ui.Messages().ShowMessage("すべてのファイルがバックアップと一致しました（" + checked +
                                                " ファイル）");
        }
        for (const std::string& notice : r.Notices)
            runNotices_.push_back(outcome.name + "： " + notice);
        if (!outcome.disconnectError.empty())
            runNotices_.push_back(outcome.disconnectError);
        ShowRunNotices();
    });
}

} // namespace hozonix::mainwindow
