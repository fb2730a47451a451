// Adding, editing and deleting profiles from the main window. The wizard edits the shared profile lists
// and saves them itself; on OK the window reloads its list from the settings file.
#include "fm_FileSave.h"

#include "IniFile.h"
#include "MessageBoxService.h"
#include "ProfileCheckList.h"
#include "ProfileList.h"
#include "ProfileWizard.h"
#include "UiServices.h"

namespace hozonix::ui {

void TfmFileSave::AddProfile() {
    if (services_.Wizard != nullptr && services_.Wizard->OpenForNew())
        ReloadProfileList();
}

void TfmFileSave::sb_NewClick() {
    Command([this] { AddProfile(); });
}

void TfmFileSave::New1Click() {
    Command([this] { AddProfile(); });
}

void TfmFileSave::Edit1Click() {
    Command([this] {
        int i = ckl_ActionName->Selected();
        if (i < 0 || services_.Wizard == nullptr)
            return;
        if (services_.Wizard->OpenForEdit(i))
            ReloadProfileList();
    });
}

void TfmFileSave::Delete1Click() {
    Command([this] {
        int i = ckl_ActionName->Selected();
        if (i < 0)
            return;
        std::string question = ckl_ActionName->NameAt(i) + "を削除しますか？ ";
        if (services_.Ui.Messages().Show(MessageKind::Confirmation, question, YesButton | NoButton) !=
            MessageButton::Yes)
            return;
        // The other entries keep their ticks; the list is not reloaded, so Save_Btn and the run menu keep
        // the deleted name until the next reload, and choosing it runs nothing.
        delete ckl_ActionName->takeItem(i);
        ckl_ActionName->Select(-1);
        DeleteProfileAt(services_.Profiles, i);
        SaveProfileList(services_.Settings, services_.Profiles);
    });
}

} // namespace hozonix::ui
