#pragma once
// The main window: the profiles as a check list, the tool bar that runs one or all of them, the result
// lists of the last run, the copy mode and the recovery threshold, and the Help and Tool menus.
//
// While a run is under way the window takes no second command: the tool bar, the menus and the check
// list are disabled, the first status panel says so, and closing is refused. The processing dialog's
// abort button stays usable.

#include "DataFolder.h"
#include "HostInfo.h"
#include "LoginDialog.h"
#include "NetCommands.h"
#include "RunBackup.h"

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

namespace hozonix::netinfo {
class DesktopOpener;
class NetResourceProvider;
} // namespace hozonix::netinfo

namespace hozonix::ui {

class CoalescingRunHost;
class ColumnMenu;
class ProfileCheckList;
class ProfileWizard;
class QtRunHost;
class UiServices;

using RunBackupFn = std::function<int(const engine::BackupRequest&, std::vector<std::string>& UpdatedFiles,
                                      std::vector<std::string>& FailedFiles, engine::RunHost& host,
                                      engine::BackupResult& result)>;

// What the main window works with. The references must outlive the window.
struct MainWindowServices {
    MainWindowServices(IniFile& settings, ProfileList& profiles, UiServices& ui)
        : Settings(settings), Profiles(profiles), Ui(ui) {}

    IniFile& Settings;
    ProfileList& Profiles;
    UiServices& Ui;
    // Prepares the data folder again; called first by every reload of the profile list.
    std::function<void()> PrepareDataFolder;
    std::string DataFolder;
    std::string ProgramPath;
    // Null: the items that need them are disabled.
    ProfileWizard* Wizard = nullptr;
    netinfo::NetResourceProvider* Network = nullptr;
    netinfo::DesktopOpener* Opener = nullptr;
    RunBackupFn RunBackup = [](const engine::BackupRequest& r, std::vector<std::string>& u,
                               std::vector<std::string>& f, engine::RunHost& h,
                               engine::BackupResult& result) {
        return engine::RunBackup(r, u, f, h, &result);
    };
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };
    std::function<std::string()> HostName = netinfo::LocalHostName;
    netinfo::HostResolver Resolve = netinfo::ResolveHost;
    netinfo::ShowModalFn ShowLoginDialog = [](QDialog& d) { d.exec(); };
    // Null: the shared folder browser of Ui.
    netinfo::SelectFolderFn SelectFolder;
};

enum class CopyMode { Fast, Careful };

class TfmFileSave : public QMainWindow {
public:
    static constexpr const char* ComponentName = "fmFileSave";
    static constexpr int RunMenuColumnSize = 10;

    // Creation: reads the recovery threshold, restores the placement and reloads the profile list; with
    // no profile stored, the wizard opens before the window is shown.
    TfmFileSave(MainWindowServices services, QWidget* parent = nullptr);
    ~TfmFileSave() override;

    // Controls, named as the program's design names them.
    QToolBar* ToolBar1;
    QToolButton* sb_All;
    QToolButton* Save_Btn;
    QLabel* pnl_Copy_Mode;
    QToolButton* sb_Menu;
    QToolButton* sb_Info;
    QToolButton* sb_Err;
    QToolButton* sb_New;
    QToolButton* Close_Btn;
    ProfileCheckList* ckl_ActionName;
    QMenu* Edit_Popup;
    QAction* New1;
    QAction* Edit1;
    QAction* Delete1;
    QProgressBar* ProgressBar1;
    QLabel* StatusPanel0;
    QLabel* StatusPanel1;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QAction* readme1;
    QAction* COPY_MODE_HI;
    QAction* COPY_MODE_ALL;
    QAction* temp_Non;
    QAction* temp_1M;
    QAction* temp_10M;
    QAction* temp_20M;
    QAction* temp_50M;
    QAction* temp_100M;
    QAction* N4;
    QAction* Item_LogOn;
    QAction* NetPC;
    QAction* test1;
    QAction* netBrowse;
    ColumnMenu* Copy_Popup;

    // State.
    std::vector<std::string> UpdatedFiles;
    std::vector<std::string> FailedFiles;
    std::vector<std::string> InfoLines;
    int RecoveryThreshold() const { return recoveryThreshold_; }
    CopyMode Mode() const { return copyMode_; }
    // The colour pnl_Copy_Mode shows for the mode.
    QColor CopyModeColour() const;
    // Save_Btn's caption as the profile's name (the button shows it without mnemonics).
    const std::string& SaveCaption() const { return saveCaption_; }
    bool RunInProgress() const { return busy_ > 0; }
    // Called once the window has been closed; the program ends then.
    void SetClosedHandler(std::function<void()> handler) { onClosed_ = std::move(handler); }

    // Operations. They raise AppError; the click handlers show it through the default error handler.
    bool ReloadProfileList();
    void RunProfile(const std::string& name);

    // Click handlers, each run through the default error handler, refused while a run is under way.
    void sb_AllClick();
    void Save_BtnClick();
    void Copy_PopupClick(const std::string& caption);
    void sb_MenuClick();
    void sb_InfoClick();
    void sb_ErrClick();
    void sb_NewClick();
    void New1Click();
    void Edit1Click();
    void Delete1Click();
    void Close_BtnClick();
    void COPY_MODE_HIClick();
    void COPY_MODE_ALLClick();
    void TempClick(int threshold);
    void N2Click();
    void N3Click();
    void N4Click();
    void readme1Click();
    void netBrowseClick();
    void NetPCClick();
    void Item_LogOnClick();
    void test1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildToolBar();
    void BuildCheckList();
    void BuildMenus();
    void BuildStatusBar();
    QAction* MenuItem(QMenu* menu, const char* name, const char* caption, void (TfmFileSave::*handler)());

    void FormCreate();
    void FormDestroy();
    void SetSaveCaption(const std::string& caption);
    void SetStatusText(const std::string& text);
    void SetCaption(const std::string& caption);
    void ShowCopyMode();
    void MarkThresholdItem();
    void AddProfile();
    void RunAll();

    // Runs a handler unless a run is under way, showing any error.
    void Command(const std::function<void()>& fn);
    void EnterBusy();
    void LeaveBusy();
    // Blocks the window's commands for as long as it lives; scopes nest.
    class BusyScope {
    public:
        explicit BusyScope(TfmFileSave& w) : w_(w) { w_.EnterBusy(); }
        ~BusyScope() { w_.LeaveBusy(); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TfmFileSave& w_;
    };

    MainWindowServices services_;
    std::unique_ptr<QtRunHost> windowHost_;
    std::unique_ptr<CoalescingRunHost> host_;
    int recoveryThreshold_ = 0;
    CopyMode copyMode_ = CopyMode::Fast;
    std::string saveCaption_;
    int busy_ = 0;
    std::function<void()> onClosed_;
};

// The status text of a reload: with a stored time in fast mode it names that time.
std::string ReloadStatusText(const std::string& storedTime, CopyMode mode);

} // namespace hozonix::ui
