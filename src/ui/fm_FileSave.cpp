#include "fm_FileSave.h"

#include "CoalescingRunHost.h"
#include "DefaultErrorHandler.h"
#include "IniFile.h"
#include "JapaneseFonts.h"
#include "MessageBoxService.h"
#include "PopupColumns.h"
#include "ProfileCheckList.h"
#include "ProfileList.h"
#include "QtRunHost.h"
#include "QtWindowGeometry.h"
#include "UiServices.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenuBar>
#include <QToolButton>

namespace hozonix::ui {

namespace {

constexpr const char* kSection = TfmFileSave::ComponentName;
const QColor kFastColour(166, 202, 240);
const QColor kCarefulColour(255, 255, 0);

} // namespace

std::string ReloadStatusText(const std::string& storedTime, CopyMode mode) {
    if (!storedTime.empty() && mode == CopyMode::Fast)
        return "前回バックアップした " + storedTime + " より以降に作成、もしくは更新されたファイルのみ";
    return "前回バックアップした日時より以降に作成、もしくは更新されたファイルのみ";
}

TfmFileSave::TfmFileSave(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      services_(std::move(services)) {
    setObjectName(ComponentName);
    setWindowTitle(QStringLiteral("Hozonix"));
    setFont(GothicFont(12));
    BuildMenus();
    BuildToolBar();
    BuildCheckList();
    BuildStatusBar();
    windowHost_ = std::make_unique<QtRunHost>(*StatusPanel1, ProgressBar1, services_.Ui.ProcessDialog(),
                                              services_.Ui.Messages());
    host_ = std::make_unique<CoalescingRunHost>(*windowHost_);
    for (QAction* a : {netBrowse})
        a->setEnabled(services_.Network != nullptr);
    for (QAction* a : {N3, N4, readme1})
        a->setEnabled(services_.Opener != nullptr);
    FormCreate();
}

TfmFileSave::~TfmFileSave() {
    RunCommand(services_.Ui.Messages(), [this] { FormDestroy(); });
}

void TfmFileSave::FormCreate() {
    ShowCopyMode();
    recoveryThreshold_ = services_.Settings.ReadIniInteger(kSection, "BACKUP_TEMP_SIZE");
    MarkThresholdItem();
    UpdatedFiles.clear();
    FailedFiles.clear();
    InfoLines.clear();
    // Designed place and client size; the stored placement or the fallback rule then applies.
    move(277, 254);
    resize(628, 377 + menuBar()->sizeHint().height());
    QtWindowGeometry geometry(*this, ComponentName);
    RestoreWindowPlacement(services_.Settings, geometry, services_.Ui.Fallback());
    if (!ReloadProfileList())
        AddProfile();
}

void TfmFileSave::FormDestroy() {
    QtWindowGeometry geometry(*this, ComponentName);
    SaveWindowPlacement(services_.Settings, geometry);
    services_.Settings.WriteIniInteger(kSection, "LAST_INDEX", ckl_ActionName->Selected());
    services_.Settings.WriteIniInteger(kSection, "COPY_MODE", copyMode_ == CopyMode::Fast ? 0 : 1);
}

void TfmFileSave::Command(const std::function<void()>& fn) {
    if (RunInProgress())
        return;
    RunCommand(services_.Ui.Messages(), fn);
}

bool TfmFileSave::ReloadProfileList() {
    if (services_.PrepareDataFolder)
        services_.PrepareDataFolder();
    IniFile& ini = services_.Settings;
    int index = ini.ReadIniInteger(kSection, "LAST_INDEX");
    LoadProfileList(ini, services_.Profiles);
    ckl_ActionName->SetNames(services_.Profiles.ProfileNames);
    std::string saveAll = ini.ReadIniString(kSection, "SAVE_ALL");
    if (!saveAll.empty()) {
        for (int i = 0; i < ckl_ActionName->count(); ++i)
            ckl_ActionName->SetTicked(i, IsTickedOnReload(ckl_ActionName->NameAt(i), saveAll));
    }
    int count = ckl_ActionName->count();
    if (count > 0 && index >= 0) {
        if (index >= count)
            index = count - 1;
        ckl_ActionName->Select(index);
        std::string name = ckl_ActionName->NameAt(index);
        SetSaveCaption(name);
        SetStatusText(ReloadStatusText(ini.ReadIniString("LAST_UpDateTime", name), copyMode_));
    }
    FillPopupMenu(RunMenuColumnSize, *Copy_Popup, ckl_ActionName->Names(),
                  [this](QAction* item) { Copy_PopupClick(ColumnMenu::CaptionOf(item)); });
    bool any = !services_.Profiles.ProfileDetails.empty();
    sb_Menu->setEnabled(any);
    return any;
}

void TfmFileSave::SetSaveCaption(const std::string& caption) {
    saveCaption_ = caption;
    Save_Btn->setText(QString::fromStdString(caption).replace('&', "&&"));
}

void TfmFileSave::SetStatusText(const std::string& text) {
    StatusPanel1->setText(QString::fromStdString(text));
    StatusPanel1->repaint();
}

void TfmFileSave::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

QColor TfmFileSave::CopyModeColour() const {
    return copyMode_ == CopyMode::Fast ? kFastColour : kCarefulColour;
}

void TfmFileSave::ShowCopyMode() {
    // A style sheet, since the tool bar's style paints over a palette colour.
    pnl_Copy_Mode->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(CopyModeColour().name()));
}

void TfmFileSave::MarkThresholdItem() {
    for (QAction* a : {temp_Non, temp_1M, temp_10M, temp_20M, temp_50M, temp_100M}) {
        QFont f = a->font();
        f.setBold(a->data().toInt() == recoveryThreshold_);
        a->setFont(f);
    }
}

void TfmFileSave::COPY_MODE_HIClick() {
    Command([this] {
        copyMode_ = CopyMode::Fast;
        ShowCopyMode();
        SetCaption("Hozonix");
    });
}

void TfmFileSave::COPY_MODE_ALLClick() {
    Command([this] {
        copyMode_ = CopyMode::Careful;
        ShowCopyMode();
        SetCaption("Hozonix は丁寧モードで作動中(対象ファイルを全てスキャン)です、"
                   "動作を早くするにはツール→コピーモード→高速をクリック");
    });
}

void TfmFileSave::TempClick(int threshold) {
    Command([this, threshold] {
        recoveryThreshold_ = threshold;
        services_.Settings.WriteIniInteger(kSection, "BACKUP_TEMP_SIZE", threshold);
    });
}

void TfmFileSave::sb_InfoClick() {
    Command([this] {
        if (UpdatedFiles.empty())
            services_.Ui.Messages().ShowMessage("直前に更新したファイルはありません");
        else
            services_.Ui.MessageList().ShowMessageList("更新済みファイル一覧", UpdatedFiles);
    });
}

void TfmFileSave::sb_ErrClick() {
    Command([this] {
        if (FailedFiles.empty())
            services_.Ui.Messages().ShowMessage("直前に更新に失敗したファイルはありません");
        else
            services_.Ui.MessageList().ShowMessageList("更新に失敗したファイルの一覧", FailedFiles);
    });
}

void TfmFileSave::sb_MenuClick() {
    Command([this] { Copy_Popup->popup(QCursor::pos()); });
}

void TfmFileSave::Close_BtnClick() {
    Command([this] { close(); });
}

void TfmFileSave::closeEvent(QCloseEvent* event) {
    // Closing in the middle of a run would destroy what the run is working with.
    if (RunInProgress()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && onClosed_)
        onClosed_();
}

} // namespace hozonix::ui
