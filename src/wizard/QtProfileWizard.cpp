#include "wizard/QtProfileWizard.h"

#include "settings/ProfileList.h"
#include "ui/QtWindowGeometry.h"
#include "wizard/ProfileWizardDialog.h"

#include <QLineEdit>

namespace hozonix::wizard {

QtProfileWizard::QtProfileWizard(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                                 ProfileList& profiles, const Rect& fallback, ModalRunner runModal)
    : settings_(settings), messages_(messages), pickers_(pickers), profiles_(profiles), fallback_(fallback),
      runModal_(std::move(runModal)) {
    if (!runModal_)
        runModal_ = [](ProfileWizardDialog& window) { return window.exec(); };
}

QtProfileWizard::~QtProfileWizard() = default;

bool QtProfileWizard::EnsureWindow() {
    if (window_)
        return false;
    window_ = std::make_unique<ProfileWizardDialog>(settings_, messages_, pickers_, profiles_);
    ui::RestorePlacementOnScreen(settings_, *window_, ProfileWizardDialog::PlacementKey, fallback_);
    return true;
}

bool QtProfileWizard::RunModal() {
    window_->setResult(0);
    return runModal_(*window_) == QDialog::Accepted;
}

bool QtProfileWizard::OpenForNew() {
    // A new window starts on page 1 by itself; one kept from before goes back there, texts and all.
    if (!EnsureWindow()) {
        window_->SetEditIndex(-1);
        window_->ShowPage(1);
    }
    return RunModal();
}

bool QtProfileWizard::OpenForEdit(int index) {
    if (index < 0 || static_cast<size_t>(index) >= profiles_.ProfileNames.size() ||
        static_cast<size_t>(index) >= profiles_.ProfileDetails.size())
        return false;
    EnsureWindow();
    window_->SetEditIndex(index);
    const ProfileDetail detail = SplitDetailLine(profiles_.ProfileDetails[static_cast<size_t>(index)]);
    window_->SourceEdit()->setText(QString::fromStdString(detail.SourceFolder));
    window_->DestinationEdit()->setText(QString::fromStdString(detail.DestinationFolder));
    window_->NameEdit()->setText(QString::fromStdString(profiles_.ProfileNames[static_cast<size_t>(index)]));
    window_->ExcludedExtensionsEdit()->setText(QString::fromStdString(detail.ExcludedExtensions));
    window_->ExcludedFoldersEdit()->setText(QString::fromStdString(detail.ExcludedFolders));
    return RunModal();
}

} // namespace hozonix::wizard
