#pragma once
// Everything the desktop program is made of, owned in one place and created in order: the message
// boxes, the data folder and settings file, the shared dialogs, the profile lists, the network and
// desktop services, the wizard and the main window. Destroyed in the reverse order, so that each window
// stores its placement while the settings file is still there.

#include "settings/DataFolder.h"
#include "settings/ProfileList.h"
#include "settings/WindowPlacement.h"
#include "ui/QtMessageBoxService.h"

#include <functional>
#include <memory>
#include <string>

namespace hozonix {
class IniFile;
}

namespace hozonix::netinfo {
class DesktopOpener;
class NetResourceProvider;
} // namespace hozonix::netinfo

namespace hozonix::printing {
class DesktopListPrinting;
}

namespace hozonix::ui {

class ProfileWizard;
class ProfileWizardDialog;
class MainWindow;
class UiServices;

struct ApplicationOptions {
    // The program file; its name decides the data folder.
    std::string ProgramPath;
    std::string ConfigFolder = UserConfigFolder();
    // Null: the program's own Qt message boxes.
    MessageBoxService* Messages = nullptr;
    // Empty: the wizard runs modally with exec(). Tests answer it without a modal loop.
    std::function<int(ProfileWizardDialog&)> RunWizard;
};

class HozonixApplication {
public:
    explicit HozonixApplication(ApplicationOptions options);
    ~HozonixApplication();
    HozonixApplication(const HozonixApplication&) = delete;
    HozonixApplication& operator=(const HozonixApplication&) = delete;

    // Start-up up to a created (not yet shown) main window. False when the program must end now: the
    // data folder could not be made, or an error ended the main window's creation (both already shown).
    bool Start();
    // Shows the main window and runs the event loop until it is closed.
    int Exec();

    MainWindow* Window() const { return window_.get(); }
    const DataPaths& Paths() const { return paths_; }
    ProfileList& Profiles() { return profiles_; }

private:
    void PrepareDataFolderAgain();
    // Puts the shipped Readme.TXT into the data folder when there is none, for Help → Readme.
    void PutReadme();

    ApplicationOptions options_;
    QtMessageBoxService qtMessages_;
    MessageBoxService& messages_;
    DataPaths paths_;
    bool quitRequested_ = false;
    std::unique_ptr<IniFile> settings_;
    Rect fallback_;
    std::unique_ptr<UiServices> ui_;
    std::unique_ptr<printing::DesktopListPrinting> listPrinting_;
    ProfileList profiles_;
    std::unique_ptr<netinfo::NetResourceProvider> network_;
    std::unique_ptr<netinfo::DesktopOpener> opener_;
    std::unique_ptr<ProfileWizard> wizard_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace hozonix::ui
