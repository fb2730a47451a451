// The Tool menu's 復元: the restore window, one for the main window, opened on the selected profile.
#include "mainwindow/MainWindow.h"

#include "mainwindow/ProfileCheckList.h"
#include "restore/RestoreWindow.h"
#include "settings/ProfileList.h"
#include "ui/UiServices.h"

namespace hozonix::mainwindow {

void MainWindow::ShowRestoreWindow() {
    Command([this] {
        auto* window = findChild<restore::RestoreWindow*>(QString(), Qt::FindDirectChildrenOnly);
        if (window == nullptr) {
            restore::RestoreWindowServices services(services_.Profiles, services_.Ui);
            // While files are restored, the main window takes no command, as during a run.
            services.Busy = [this](bool busy) { busy ? EnterBusy() : LeaveBusy(); };
            services.Connect = services_.ConnectDestination;
            window = new restore::RestoreWindow(std::move(services), this);
        }
        window->Reload(profileList_->Selected());
        window->show();
        window->raise();
        window->activateWindow();
    });
}

} // namespace hozonix::mainwindow
