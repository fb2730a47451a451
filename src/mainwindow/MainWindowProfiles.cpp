// Adding, editing and deleting profiles from the main window. The wizard edits the shared profile lists
// and saves them itself; on OK the window reloads its list from the settings file.
#include "mainwindow/MainWindow.h"

#include "base/MessageBoxService.h"
#include "mainwindow/ProfileCheckList.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "ui/UiServices.h"
#include "wizard/ProfileWizard.h"

namespace hozonix::mainwindow {

void MainWindow::AddProfile() {
    if (services_.Wizard != nullptr && services_.Wizard->OpenForNew())
        ReloadProfileList();
}

void MainWindow::NewProfile() {
    Command([this] { AddProfile(); });
}

void MainWindow::EditSelectedProfile() {
    Command([this] {
        int i = profileList_->Selected();
        if (i < 0 || services_.Wizard == nullptr)
            return;
        if (services_.Wizard->OpenForEdit(i))
            ReloadProfileList();
    });
}

void MainWindow::DeleteSelectedProfile() {
    Command([this] {
        int i = profileList_->Selected();
        if (i < 0)
            return;
        std::string question = profileList_->NameAt(i) + "を削除しますか？ ";
        if (services_.Ui.Messages().Show(MessageKind::Confirmation, question, YesButton | NoButton) !=
            MessageButton::Yes)
            return;
        // The other entries keep their ticks; the list is not reloaded, so runButton_ and the run menu keep
        // the deleted name until the next reload, and choosing it runs nothing.
        delete profileList_->takeItem(i);
        profileList_->Select(-1);
        DeleteProfileAt(services_.Profiles, i);
        SaveProfileList(services_.Settings, services_.Profiles);
    });
}

} // namespace hozonix::mainwindow
