#include "mainwindow/MainWindow.h"

#include "base/MessageBoxService.h"
#include "mainwindow/ProfileCheckList.h"
#include "settings/IniFile.h"
#include "settings/LastRunRecord.h"
#include "settings/ProfileList.h"
#include "settings/StoredNames.h"
#include "ui/ColumnMenu.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/JapaneseFonts.h"
#include "ui/QtRunHost.h"
#include "ui/QtWindowGeometry.h"
#include "ui/UiServices.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace hozonix::mainwindow {

namespace {

constexpr std::string_view kSection = MainWindowSection;
constexpr std::string_view kLastIndexKey = "LAST_INDEX";
constexpr std::string_view kCopyModeKey = "COPY_MODE";
const QColor kFastColour(166, 202, 240);
const QColor kCarefulColour(255, 255, 0);

} // namespace

std::string ReloadStatusText(const std::string& storedTime, CopyMode mode) {
    if (!storedTime.empty() && mode == CopyMode::Fast)
        return "前回バックアップした " + storedTime + " より以降に作成、もしくは更新されたファイルのみ";
    return "前回バックアップした日時より以降に作成、もしくは更新されたファイルのみ";
}

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      services_(std::move(services)) {
    setObjectName(SettingsName);
    setWindowTitle(QStringLiteral("Hozonix"));
    setFont(ui::GothicFont(12));
    BuildMenus();
    BuildToolBar();
    BuildCheckList();
    BuildStatusBar();
    windowHost_ = std::make_unique<ui::QtRunHost>(*statusPanel_, progressBar_, services_.Ui.ProcessDialog(),
                                                  services_.Ui.Messages());
    services_.Ui.MessageList().SetMainWindow(this, toolBar_);
    for (QAction* a : {networkListItem_})
        a->setEnabled(services_.Network != nullptr);
    for (QAction* a : {homePageItem_, settingsFileItem_, readmeItem_})
        a->setEnabled(services_.Opener != nullptr);
    RestoreState();
}

MainWindow::~MainWindow() {
    ui::RunCommand(services_.Ui.Messages(), [this] { StoreState(); });
}

void MainWindow::RestoreState() {
    ShowCopyMode();
    recoveryThreshold_ = services_.Settings.ReadIniInteger(kSection, ThresholdKey);
    MarkThresholdItem();
    updatedFiles_.clear();
    failedFiles_.clear();
    infoLines_.clear();
    // Designed place and client size; the stored placement or the fallback rule then applies.
    move(277, 254);
    resize(628, 377 + menuBar()->sizeHint().height());
    ui::RestorePlacementOnScreen(services_.Settings, *this, SettingsName, services_.Ui.Fallback());
    if (!ReloadProfileList())
        AddProfile();
}

void MainWindow::StoreState() {
    ui::QtWindowGeometry geometry(*this, SettingsName);
    SaveWindowPlacement(services_.Settings, geometry);
    services_.Settings.WriteIniInteger(kSection, kLastIndexKey, profileList_->Selected());
    services_.Settings.WriteIniInteger(kSection, kCopyModeKey, copyMode_ == CopyMode::Fast ? 0 : 1);
}

void MainWindow::Command(const std::function<void()>& fn) {
    if (RunInProgress())
        return;
    ui::RunCommand(services_.Ui.Messages(), fn);
}

bool MainWindow::ReloadProfileList() {
    if (services_.PrepareDataFolder)
        services_.PrepareDataFolder();
    IniFile& ini = services_.Settings;
    int index = ini.ReadIniInteger(kSection, kLastIndexKey);
    LoadProfileList(ini, services_.Profiles);
    profileList_->SetNames(services_.Profiles.ProfileNames);
    std::string saveAll = ini.ReadIniString(kSection, TickedKey);
    if (!saveAll.empty()) {
        for (int i = 0; i < profileList_->count(); ++i)
            profileList_->SetTicked(i, IsTickedOnReload(profileList_->NameAt(i), saveAll));
    }
    int count = profileList_->count();
    if (count > 0 && index >= 0) {
        if (index >= count)
            index = count - 1;
        profileList_->Select(index);
        std::string name = profileList_->NameAt(index);
        SetRunCaption(name);
        SetStatusText(ReloadStatusText(ini.ReadIniString(LastRunSection, name), copyMode_));
    }
    FillPopupMenu(RunMenuColumnSize, *runMenu_, profileList_->Names(),
                  [this](QAction* item) { RunChosenProfile(ui::ColumnMenu::CaptionOf(item)); });
    bool any = !services_.Profiles.ProfileDetails.empty();
    runMenuButton_->setEnabled(any);
    return any;
}

void MainWindow::SetRunCaption(const std::string& caption) {
    runCaption_ = caption;
    runButton_->setText(QString::fromStdString(caption).replace('&', "&&"));
}

void MainWindow::SetStatusText(const std::string& text) {
    statusPanel_->setText(QString::fromStdString(text));
    statusPanel_->repaint();
}

void MainWindow::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

QColor MainWindow::CopyModeColour() const {
    return copyMode_ == CopyMode::Fast ? kFastColour : kCarefulColour;
}

void MainWindow::ShowCopyMode() {
    // A style sheet, since the tool bar's style paints over a palette colour.
    copyModeMark_->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(CopyModeColour().name()));
}

void MainWindow::MarkThresholdItem() {
    for (QAction* a : {noRecoveryItem_, recovery1MBItem_, recovery10MBItem_, recovery20MBItem_,
                       recovery50MBItem_, recovery100MBItem_}) {
        QFont f = a->font();
        f.setBold(a->data().toInt() == recoveryThreshold_);
        a->setFont(f);
    }
}

void MainWindow::ChooseFastMode() {
    Command([this] {
        copyMode_ = CopyMode::Fast;
        ShowCopyMode();
        SetCaption("Hozonix");
    });
}

void MainWindow::ChooseCarefulMode() {
    Command([this] {
        copyMode_ = CopyMode::Careful;
        ShowCopyMode();
        SetCaption("Hozonix は丁寧モードで作動中(対象ファイルを全てスキャン)です、"
                   "動作を早くするにはツール→コピーモード→高速をクリック");
    });
}

void MainWindow::ChooseRecoveryThreshold(int threshold) {
    Command([this, threshold] {
        recoveryThreshold_ = threshold;
        services_.Settings.WriteIniInteger(kSection, ThresholdKey, threshold);
    });
}

void MainWindow::ShowWrittenFiles() {
    Command([this] {
        if (updatedFiles_.empty())
            services_.Ui.Messages().ShowMessage("直前に更新したファイルはありません");
        else
            services_.Ui.MessageList().ShowPathList("更新済みファイル一覧", updatedFiles_);
    });
}

void MainWindow::ShowFailedFiles() {
    Command([this] {
        if (failedFiles_.empty())
            services_.Ui.Messages().ShowMessage("直前に更新に失敗したファイルはありません");
        else
            services_.Ui.MessageList().ShowPathList("更新に失敗したファイルの一覧", FailedLines());
    });
}

engine::PathList MainWindow::FailedLines() const {
    // Files that no later run can copy either say why, so that the user can rename or move them.
    return failureReasons_.empty() ? failedFiles_
                                   : engine::WithReasons(failedFiles_, failureReasons_, " （", "）");
}

void MainWindow::ShowRunMenu() {
    Command([this] { runMenu_->popup(QCursor::pos()); });
}

void MainWindow::CloseWindow() {
    Command([this] { close(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing in the middle of a run would destroy what the run is working with.
    if (RunInProgress()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && onClosed_)
        onClosed_();
}

} // namespace hozonix::mainwindow
