#pragma once
// How the main window opens the profile wizard. The wizard edits the process-wide profile lists in
// place and saves them; the main window reloads its list when the wizard closes with OK.

namespace hozonix::wizard {

class ProfileWizard {
public:
    virtual ~ProfileWizard() = default;
    // Creates the wizard on first use (placement restored), otherwise sets it back to page 1 for a new
    // profile, keeping the texts of its last use; shows it modally. True when it closed with OK.
    virtual bool OpenForNew() = 0;
    // Fills the fields from profile `index` (its name as the check list shows it) and shows the wizard
    // modally on the page where its last use ended. True when it closed with OK.
    virtual bool OpenForEdit(int index) = 0;
};

} // namespace hozonix::wizard
