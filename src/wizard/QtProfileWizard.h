#pragma once
// The profile wizard as the main window sees it. The one wizard window is created on first use with its
// placement restored, kept with its page, buttons and texts between uses, and destroyed with this
// object, when it stores its placement.

#include "settings/WindowPlacement.h"
#include "wizard/ProfileWizard.h"

#include <functional>
#include <memory>

namespace hozonix {
class IniFile;
class MessageBoxService;
struct ProfileList;
} // namespace hozonix

namespace hozonix::ui {
class Pickers;
}

namespace hozonix::wizard {

class ProfileWizardDialog;

class QtProfileWizard : public ProfileWizard {
public:
    // Runs the window modally and gives its result (QDialog::Accepted on OK). The desktop program uses
    // exec(); tests drive the window themselves.
    using ModalRunner = std::function<int(ProfileWizardDialog&)>;

    QtProfileWizard(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                    ProfileList& profiles, const Rect& fallback, ModalRunner runModal = {});
    ~QtProfileWizard() override;
    QtProfileWizard(const QtProfileWizard&) = delete;
    QtProfileWizard& operator=(const QtProfileWizard&) = delete;

    bool OpenForNew() override;
    // An index outside the profile list opens nothing and gives false.
    bool OpenForEdit(int index) override;

    // The window, or null before its first use.
    ProfileWizardDialog* Window() const { return window_.get(); }

private:
    // Creates the window when it does not exist yet; true when it was created just now.
    bool EnsureWindow();
    bool RunModal();

    IniFile& settings_;
    MessageBoxService& messages_;
    ui::Pickers& pickers_;
    ProfileList& profiles_;
    Rect fallback_;
    ModalRunner runModal_;
    std::unique_ptr<ProfileWizardDialog> window_;
};

} // namespace hozonix::wizard
