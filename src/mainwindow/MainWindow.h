#pragma once
// The main window: the profiles as a check list, the tool bar that runs one or all of them, the result
// lists of the last run, the copy mode and the recovery threshold, and the Help and Tool menus.
//
// While a run is under way the window takes no second command: the tool bar, the menus and the check
// list are disabled, the first status panel says so, and closing is refused. The processing dialog's
// abort button stays usable.

#include "engine/RunBackup.h"
#include "netinfo/HostInfo.h"
#include "netinfo/LoginDialog.h"
#include "netinfo/NetCommands.h"
#include "profiles/StoredProfileRun.h"
#include "settings/DataFolder.h"
#include "settings/StoredNames.h"
#include "shares/ShareConnection.h"

#include <QColor>
#include <QMainWindow>

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace hozonix {
class IniFile;
struct ProfileList;
} // namespace hozonix

namespace hozonix::about {
class DesktopOpener;
}

namespace hozonix::netinfo {
class NetResourceProvider;
}

namespace hozonix::wizard {
class ProfileWizard;
}

namespace hozonix::ui {
class ColumnMenu;
class QtRunHost;
class UiServices;
} // namespace hozonix::ui

namespace hozonix::mainwindow {

class ProfileCheckList;

using profiles::RunBackupFn;

// What the main window works with. The references must outlive the window.
struct MainWindowServices {
    MainWindowServices(IniFile& settings, ProfileList& profiles, ui::UiServices& ui)
        : Settings(settings), Profiles(profiles), Ui(ui) {}

    IniFile& Settings;
    ProfileList& Profiles;
    ui::UiServices& Ui;
    // Prepares the data folder again; called first by every reload of the profile list.
    std::function<void()> PrepareDataFolder;
    std::string DataFolder;
    std::string ProgramPath;
    // Null: the items that need them are disabled.
    wizard::ProfileWizard* Wizard = nullptr;
    netinfo::NetResourceProvider* Network = nullptr;
    about::DesktopOpener* Opener = nullptr;
    // Called on the run's thread.
    RunBackupFn RunBackup = [](const engine::BackupRequest& r, engine::PathList& u, engine::PathList& f,
                               engine::RunHost& h, engine::BackupResult& result) {
        return engine::RunBackup(r, u, f, h, &result);
    };
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };
    std::function<std::string()> HostName = netinfo::LocalHostName;
    netinfo::HostResolver Resolve = netinfo::ResolveHost;
    netinfo::ShowModalFn ShowLoginDialog = [](QDialog& d) { d.exec(); };
    netinfo::ShowModalFn ShowHistoryDialog = [](QDialog& d) { d.exec(); };
    // Null: the shared folder browser of Ui.
    netinfo::SelectFolderFn SelectFolder;
    // Connects a destination typed as a share address for a run (`local` receives the folder to work
    // on); null: through GVfs, asking the log-on with Ui's prompt. Called on the run's thread.
    profiles::ConnectFn ConnectDestination;
};

enum class CopyMode { Fast, Careful };

class MainWindow : public QMainWindow {
public:
    // The window's section in the settings file and its key under "LAST_Position".
    static constexpr const char* SettingsName = MainWindowSection.data();
    static constexpr int RunMenuColumnSize = 10;

    // Creation: reads the recovery threshold, restores the placement and reloads the profile list; with
    // no profile stored, the wizard opens before the window is shown.
    MainWindow(MainWindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The tool bar, the profile list with its menu, and the status bar.
    QToolBar* ToolBar() const { return toolBar_; }
    QToolButton* RunTickedButton() const { return runTickedButton_; }
    QToolButton* RunButton() const { return runButton_; }
    QToolButton* RunMenuButton() const { return runMenuButton_; }
    QToolButton* WrittenListButton() const { return writtenListButton_; }
    QToolButton* FailedListButton() const { return failedListButton_; }
    QToolButton* NewProfileButton() const { return newProfileButton_; }
    QToolButton* CloseButton() const { return closeButton_; }
    ui::ColumnMenu* RunMenu() const { return runMenu_; }
    ProfileCheckList* Profiles() const { return profileList_; }
    QAction* NewProfileItem() const { return newProfileItem_; }
    QAction* EditProfileItem() const { return editProfileItem_; }
    QAction* DeleteProfileItem() const { return deleteProfileItem_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    QLabel* BusyPanel() const { return busyPanel_; }
    QLabel* StatusPanel() const { return statusPanel_; }

    // The Help and Tool menus.
    QAction* AboutItem() const { return aboutItem_; }
    QAction* HomePageItem() const { return homePageItem_; }
    QAction* ReadmeItem() const { return readmeItem_; }
    QAction* FastModeItem() const { return fastModeItem_; }
    QAction* CarefulModeItem() const { return carefulModeItem_; }
    QAction* NoRecoveryItem() const { return noRecoveryItem_; }
    QAction* Recovery1MBItem() const { return recovery1MBItem_; }
    QAction* Recovery10MBItem() const { return recovery10MBItem_; }
    QAction* Recovery20MBItem() const { return recovery20MBItem_; }
    QAction* Recovery50MBItem() const { return recovery50MBItem_; }
    QAction* Recovery100MBItem() const { return recovery100MBItem_; }
    QAction* SettingsFileItem() const { return settingsFileItem_; }
    QAction* LogOnItem() const { return logOnItem_; }
    QAction* HostAddressItem() const { return hostAddressItem_; }
    QAction* LoginTestItem() const { return loginTestItem_; }
    QAction* NetworkListItem() const { return networkListItem_; }
    QAction* HistoryItem() const { return historyItem_; }
    QAction* VerifyItem() const { return verifyItem_; }

    // The files the last run wrote and could not write, and the lines the last network command listed.
    const engine::PathList& UpdatedFiles() const { return updatedFiles_; }
    const engine::PathList& FailedFiles() const { return failedFiles_; }
    const std::vector<std::string>& InfoLines() const { return infoLines_; }
    int RecoveryThreshold() const { return recoveryThreshold_; }
    CopyMode Mode() const { return copyMode_; }
    // The colour of the copy-mode mark beside the run button.
    QColor CopyModeColour() const;
    // The run button's caption as the profile's name (the button shows it without mnemonics).
    const std::string& RunCaption() const { return runCaption_; }
    bool RunInProgress() const { return busy_ > 0; }
    // Called once the window has been closed; the program ends then.
    void SetClosedHandler(std::function<void()> handler) { onClosed_ = std::move(handler); }

    // Operations. They raise AppError; the click handlers show it through the default error handler.
    bool ReloadProfileList();
    void RunProfile(const std::string& name);

    // Click handlers, each run through the default error handler, refused while a run is under way.
    void RunTickedProfiles();
    void RunSelectedProfile();
    void RunChosenProfile(const std::string& caption);
    void ShowRunMenu();
    void ShowWrittenFiles();
    void ShowFailedFiles();
    void NewProfile();
    void EditSelectedProfile();
    void DeleteSelectedProfile();
    void CloseWindow();
    void ChooseFastMode();
    void ChooseCarefulMode();
    void ChooseRecoveryThreshold(int threshold);
    void ShowAboutBox();
    void OpenHomePage();
    void OpenSettingsFile();
    void OpenReadme();
    void ShowNetworkList();
    void ShowHostAddress();
    void BrowseToLogOn();
    void ShowLoginTest();
    void ChooseHistory();
    void ShowRestoreWindow();
    // Compares the selected profile's backup with its source and lists the copies that differ.
    void VerifySelectedProfile();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildToolBar();
    void BuildCheckList();
    void BuildMenus();
    void BuildStatusBar();
    QAction* MenuItem(QMenu* menu, const char* name, const char* caption, void (MainWindow::*handler)());

    void RestoreState();
    void StoreState();
    void SetRunCaption(const std::string& caption);
    void SetStatusText(const std::string& text);
    void SetCaption(const std::string& caption);
    void ShowCopyMode();
    void MarkThresholdItem();
    void AddProfile();
    void RunEachTickedProfile();
    // Shows in one box what the runs of the command had to say (links not followed, a drive without file
    // times), once the command is done, so that nothing holds up a run.
    void ShowRunNotices();
    // The failed files, with the reason where one is known.
    engine::PathList FailedLines() const;

    // Runs a handler unless a run is under way, showing any error.
    void Command(const std::function<void()>& fn);
    void EnterBusy();
    void LeaveBusy();
    // Blocks the window's commands for as long as it lives; scopes nest.
    class BusyScope {
    public:
        explicit BusyScope(MainWindow& w) : w_(w) { w_.EnterBusy(); }
        ~BusyScope() { w_.LeaveBusy(); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        MainWindow& w_;
    };

    MainWindowServices services_;
    std::unique_ptr<ui::QtRunHost> windowHost_;
    int recoveryThreshold_ = 0;
    CopyMode copyMode_ = CopyMode::Fast;
    std::string runCaption_;
    int busy_ = 0;
    std::function<void()> onClosed_;
    engine::PathList updatedFiles_;
    engine::PathList failedFiles_;
    std::vector<engine::FailureReason> failureReasons_; // why some of failedFiles_ failed
    std::vector<std::string> runNotices_;               // what the runs of the command in hand had to say
    std::vector<std::string> infoLines_;

    QToolBar* toolBar_;
    QToolButton* runTickedButton_;
    QToolButton* runButton_;
    QLabel* copyModeMark_;
    QToolButton* runMenuButton_;
    QToolButton* writtenListButton_;
    QToolButton* failedListButton_;
    QToolButton* newProfileButton_;
    QToolButton* closeButton_;
    ui::ColumnMenu* runMenu_;
    ProfileCheckList* profileList_;
    QMenu* profileMenu_;
    QAction* newProfileItem_;
    QAction* editProfileItem_;
    QAction* deleteProfileItem_;
    QProgressBar* progressBar_;
    QLabel* busyPanel_;
    QLabel* statusPanel_;
    QAction* closeItem_;
    QAction* aboutItem_;
    QAction* homePageItem_;
    QAction* readmeItem_;
    QAction* fastModeItem_;
    QAction* carefulModeItem_;
    QAction* noRecoveryItem_;
    QAction* recovery1MBItem_;
    QAction* recovery10MBItem_;
    QAction* recovery20MBItem_;
    QAction* recovery50MBItem_;
    QAction* recovery100MBItem_;
    QAction* settingsFileItem_;
    QAction* logOnItem_;
    QAction* hostAddressItem_;
    QAction* loginTestItem_;
    QAction* networkListItem_;
    QAction* historyItem_;
    QAction* restoreItem_;
    QAction* verifyItem_;
};

// The status text of a reload: with a stored time in fast mode it names that time.
std::string ReloadStatusText(const std::string& storedTime, CopyMode mode);

} // namespace hozonix::mainwindow
