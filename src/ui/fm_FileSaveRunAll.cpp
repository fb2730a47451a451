// Running every ticked profile in list order, one after the other.
#include "fm_FileSave.h"

#include "IniFile.h"
#include "MessageBoxService.h"
#include "ProfileCheckList.h"
#include "UiServices.h"

#include <QToolButton>

namespace hozonix::ui {

void TfmFileSave::sb_AllClick() {
    Command([this] {
        BusyScope busy(*this);
        RunAll();
    });
}

void TfmFileSave::RunAll() {
    std::vector<std::string> allUpdated;
    std::string tickedNames;
    bool anyTicked = false;
    const int savedIndex = ckl_ActionName->Selected();

    // An error ends the whole command at the profile that raised it: the later profiles are not run
    // and nothing below is done.
    for (int i = 0; i < ckl_ActionName->count(); ++i) {
        if (!ckl_ActionName->IsTicked(i))
            continue;
        anyTicked = true;
        std::string name = ckl_ActionName->NameAt(i);
        SetSaveCaption(name);
        if (!tickedNames.empty())
            tickedNames += ",";
        tickedNames += name;
        SetCaption("現在" + name + " を検索中です");
        RunProfile(name);
        allUpdated.insert(allUpdated.end(), UpdatedFiles.begin(), UpdatedFiles.end());
    }

    if (!anyTicked) {
        services_.Ui.Messages().ShowMessage("保存プロファイルをひとつ以上チェックしてください");
    } else {
        services_.Settings.WriteIniString(ComponentName, "SAVE_ALL", tickedNames);
        UpdatedFiles = std::move(allUpdated);
        if (UpdatedFiles.empty()) {
            sb_Info->setEnabled(false);
            SetCaption("Hozonix <更新したファイルはありません>");
        } else {
            sb_Info->setEnabled(true);
            SetCaption("Hozonix < " + std::to_string(UpdatedFiles.size()) + " ファイルを更新>");
        }
    }
    if (savedIndex >= 0) {
        ckl_ActionName->Select(savedIndex);
        SetSaveCaption(ckl_ActionName->NameAt(savedIndex));
    }
}

} // namespace hozonix::ui
