// Running every ticked profile in list order, one after the other.
#include "mainwindow/MainWindow.h"

#include "base/MessageBoxService.h"
#include "mainwindow/ProfileCheckList.h"
#include "settings/IniFile.h"
#include "ui/UiServices.h"

#include <QToolButton>

namespace hozonix::mainwindow {

void MainWindow::RunTickedProfiles() {
    Command([this] {
        runNotices_.clear(); // those of a command that ended by an error
        {
            BusyScope busy(*this);
            RunEachTickedProfile();
        }
        ShowRunNotices();
    });
}

void MainWindow::RunEachTickedProfile() {
    engine::PathList allUpdated;
    std::string tickedNames;
    bool anyTicked = false;
    const int savedIndex = profileList_->Selected();

    // An error ends the whole command at the profile that raised it: the later profiles are not run
    // and nothing below is done.
    for (int i = 0; i < profileList_->count(); ++i) {
        if (!profileList_->IsTicked(i))
            continue;
        anyTicked = true;
        std::string name = profileList_->NameAt(i);
        SetRunCaption(name);
        if (!tickedNames.empty())
            tickedNames += ",";
        tickedNames += name;
        SetCaption("現在" + name + " を検索中です");
        RunProfile(name);
        allUpdated.Append(updatedFiles_);
    }

    if (!anyTicked) {
        services_.Ui.Messages().ShowMessage("保存プロファイルをひとつ以上チェックしてください");
    } else {
        services_.Settings.WriteIniString(MainWindowSection, TickedKey, tickedNames);
        updatedFiles_ = std::move(allUpdated);
        if (updatedFiles_.empty()) {
            writtenListButton_->setEnabled(false);
            SetCaption("Hozonix <更新したファイルはありません>");
        } else {
            writtenListButton_->setEnabled(true);
            SetCaption("Hozonix < " + std::to_string(updatedFiles_.size()) + " ファイルを更新>");
        }
    }
    if (savedIndex >= 0) {
        profileList_->Select(savedIndex);
        SetRunCaption(profileList_->NameAt(savedIndex));
    }
}

} // namespace hozonix::mainwindow
