#pragma once
// Everything the desktop program is made of, owned in one place and created in order: the message
// boxes, the data folder and settings file, the shared dialogs, the profile lists, the network and
// desktop services, the wizard and the main window. Destroyed in the reverse order, so that each window
// stores its placement while the settings file is still there.

#include "settings/DataFolder.h"
#include "settings/ProfileList.h"
#include "settings/WindowPlacement.h"
#include "ui/QtMessageBoxService.h"
#include "ui/ScreenPlacement.h"

#include <functional>
#include <memory>
#include <string>

namespace hozonix {
class IniFile;
}

namespace hozonix::about {
class DesktopOpener;
}

namespace hozonix::netinfo {
class NetResourceProvider;
}

namespace hozonix::preview {
class DesktopListPrinting;
}

namespace hozonix::mainwindow {
class MainWindow;
}

namespace hozonix::ui {
class UiServices;
}

namespace hozonix::wizard {
class ProfileWizard;
class ProfileWizardDialog;
} // namespace hozonix::wizard

namespace hozonix::app {

struct ApplicationOptions {
    // The program file; its name decides the data folder.
    std::string ProgramPath;
    std::string ConfigFolder = UserConfigFolder();
    // Null: the program's own Qt message boxes.
    MessageBoxService* Messages = nullptr;
    // Empty: the wizard runs modally with exec(). Tests answer it without a modal loop.
    std::function<int(wizard::ProfileWizardDialog&)> RunWizard;
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

    mainwindow::MainWindow* Window() const { return window_.get(); }
    const DataPaths& Paths() const { return paths_; }
    ProfileList& Profiles() { return profiles_; }

private:
    void PrepareDataFolderAgain();
    // Puts the shipped Readme.TXT into the data folder when there is none, for Help → Readme.
    void PutReadme();

    ApplicationOptions options_;
    ui::QtMessageBoxService qtMessages_;
    ui::WindowsOnScreen onScreen_;
    MessageBoxService& messages_;
    DataPaths paths_;
    bool quitRequested_ = false;
    std::unique_ptr<IniFile> settings_;
    Rect fallback_;
    std::unique_ptr<ui::UiServices> ui_;
    std::unique_ptr<preview::DesktopListPrinting> listPrinting_;
    ProfileList profiles_;
    std::unique_ptr<netinfo::NetResourceProvider> network_;
    std::unique_ptr<about::DesktopOpener> opener_;
    std::unique_ptr<wizard::ProfileWizard> wizard_;
    std::unique_ptr<mainwindow::MainWindow> window_;
};

} // namespace hozonix::app
