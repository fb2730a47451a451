// The Tool menu's choice of the earlier versions each profile keeps.
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/MainWindow.h"

#include "settings/ProfileList.h"

namespace hozonix::mainwindow {

void MainWindow::ChooseHistory() {
    Command([this] {
        const std::vector<std::string>& names = services_.Profiles.ProfileNames;
        HistoryDialog dialog(services_.Settings, names, profiles::FindProfile(names, runCaption_), this);
        services_.ShowHistoryDialog(dialog);
    });
}

} // namespace hozonix::mainwindow
