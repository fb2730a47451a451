// The Tool menu's 復元: the restore window, one for the main window, opened on the selected profile.
#include "mainwindow/MainWindow.h"

#include "mainwindow/ProfileCheckList.h"
#include "restore/RestoreWindow.h"
#include "settings/ProfileList.h"
#include "ui/ScreenPlacement.h"
#include "ui/UiServices.h"

#include <QToolBar>

namespace hozonix::mainwindow {

void MainWindow::ShowRestoreWindow() {
    Command([this] {
        auto* window = findChild<restore::RestoreWindow*>(QString(), Qt::FindDirectChildrenOnly);
        if (window == nullptr) {
            restore::RestoreWindowServices services(services_.Profiles, services_.Ui);
            // While files are restored, the main window takes no command, as during a run.
            services.Busy = [this](bool busy) { busy ? EnterBusy() : LeaveBusy(); };
            services.Connect = services_.ConnectDestination;
            services.MarkFolder = services_.DataFolder;
            window = new restore::RestoreWindow(std::move(services), this);
            // The first opening: beside the main window and wholly on screen, its tool bar kept in reach.
            const QRect mainFrame = frameGeometry();
            QRect keepClear(mainFrame.topLeft(), QSize(mainFrame.width(), 1));
            keepClear.setBottom(toolBar_->mapToGlobal(QPoint(0, toolBar_->height() - 1)).y());
            ui::SetOuterRect(*window, ui::PlaceBeside(ui::OuterRect(*window).size(), mainFrame, keepClear,
                                                      ui::AvailableAreaFor(mainFrame)));
        }
        window->Reload(profileList_->Selected());
        window->show();
        window->raise();
        window->activateWindow();
    });
}

} // namespace hozonix::mainwindow
