#include "BkSetupWizard.h"

#include "ProfileList.h"
#include "QtWindowGeometry.h"
#include "fm_BkSetup.h"

#include <QLineEdit>

namespace hozonix::ui {

BkSetupWizard::BkSetupWizard(IniFile& settings, MessageBoxService& messages, Pickers& pickers,
                             ProfileList& profiles, const Rect& fallback, ModalRunner runModal)
    : settings_(settings), messages_(messages), pickers_(pickers), profiles_(profiles), fallback_(fallback),
      runModal_(std::move(runModal)) {
    if (!runModal_)
        runModal_ = [](TfmBkSetup& window) { return window.exec(); };
}

BkSetupWizard::~BkSetupWizard() = default;

bool BkSetupWizard::EnsureWindow() {
    if (window_)
        return false;
    window_ = std::make_unique<TfmBkSetup>(settings_, messages_, pickers_, profiles_);
    QtWindowGeometry geometry(*window_, TfmBkSetup::WindowName);
    RestoreWindowPlacement(settings_, geometry, fallback_);
    return true;
}

bool BkSetupWizard::RunModal() {
    window_->setResult(0);
    return runModal_(*window_) == QDialog::Accepted;
}

bool BkSetupWizard::OpenForNew() {
    // A new window starts on page 1 by itself; one kept from before goes back there, texts and all.
    if (!EnsureWindow()) {
        window_->EditIndex = -1;
        window_->ShowPage(1);
    }
    return RunModal();
}

bool BkSetupWizard::OpenForEdit(int index) {
    if (index < 0 || static_cast<size_t>(index) >= profiles_.ProfileNames.size() ||
        static_cast<size_t>(index) >= profiles_.ProfileDetails.size())
        return false;
    EnsureWindow();
    window_->EditIndex = index;
    const ProfileDetail detail = SplitDetailLine(profiles_.ProfileDetails[static_cast<size_t>(index)]);
    window_->FromDir_Edit->setText(QString::fromStdString(detail.SourceFolder));
    window_->ToDir_Edit->setText(QString::fromStdString(detail.DestinationFolder));
    window_->BkName_Edit->setText(QString::fromStdString(profiles_.ProfileNames[static_cast<size_t>(index)]));
    window_->Ext_Edit->setText(QString::fromStdString(detail.ExcludedExtensions));
    window_->outDir_Edit->setText(QString::fromStdString(detail.ExcludedFolders));
    return RunModal();
}

} // namespace hozonix::ui
