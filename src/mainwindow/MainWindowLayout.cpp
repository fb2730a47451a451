// The main window's controls: tool bar, check list with its context menu, progress bar, status bar and
// main menu, with their captions, hints and sizes.
#include "mainwindow/MainWindow.h"

#include "mainwindow/ProfileCheckList.h"
#include "ui/ColumnMenu.h"
#include "ui/JapaneseFonts.h"
#include "ui/ThemeIcons.h"

#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::mainwindow {

namespace {

QToolButton* ToolButton(QToolBar* bar, const char* name, const char* caption, const char* hint, int width,
                        int height) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(QString::fromUtf8(caption));
    b->setToolTip(QString::fromUtf8(hint));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFixedSize(width, height);
    // The keyboard belongs to the profile list: a Space typed right after start must not run every
    // ticked profile through a button that took the focus.
    b->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(b);
    return b;
}

void ShowIcon(QToolButton* b, const QIcon& icon) {
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

} // namespace

QAction* MainWindow::MenuItem(QMenu* menu, const char* name, const char* caption,
                              void (MainWindow::*handler)()) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(name);
    if (handler != nullptr)
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return a;
}

void MainWindow::BuildToolBar() {
    constexpr int ButtonHeight = 34;
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName("ToolBar1");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setFixedHeight(37);
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    runTickedButton_ = ToolButton(toolBar_, "sb_All", "一括保存",
                                  "チェックマークがついた保存プロファイルを実行します", 89, ButtonHeight);
    runButton_ =
        ToolButton(toolBar_, "Save_Btn", "", "登録済みのバックアップ処理を実行します", 294, ButtonHeight);

    copyModeMark_ = new QLabel(toolBar_);
    copyModeMark_->setObjectName("pnl_Copy_Mode");
    copyModeMark_->setToolTip(QStringLiteral("高速モードと丁寧モードを切り替えます"));
    copyModeMark_->setFixedSize(8, ButtonHeight);
    toolBar_->addWidget(copyModeMark_);

    runMenuButton_ =
        ToolButton(toolBar_, "sb_Menu", "", "登録済みのバックアップ属性を指定します", 40, ButtonHeight);
    ShowIcon(runMenuButton_, ui::ThemedIcon({"go-down"}, "run-menu"));
    writtenListButton_ = ToolButton(toolBar_, "sb_Info", "", "更新結果を表示します", 32, ButtonHeight);
    ShowIcon(writtenListButton_,
             ui::ThemedIcon({"view-list-details", "view-list", "text-x-generic"}, "written-files"));
    failedListButton_ =
        ToolButton(toolBar_, "sb_Err", "", "更新に失敗したファイルを表示します", 32, ButtonHeight);
    ShowIcon(failedListButton_, ui::ThemedIcon({"dialog-warning"}, "failed-files"));
    newProfileButton_ =
        ToolButton(toolBar_, "sb_New", "", "バックアップ属性を新規に作成します", 32, ButtonHeight);
    ShowIcon(newProfileButton_, ui::ThemedIcon({"document-new"}, "new-profile"));
    closeButton_ = ToolButton(toolBar_, "Close_Btn", "閉じる", "Hozonixを終了します", 76, ButtonHeight);

    writtenListButton_->setEnabled(false);
    failedListButton_->setEnabled(false);

    connect(runTickedButton_, &QToolButton::clicked, this, [this] { RunTickedProfiles(); });
    connect(runButton_, &QToolButton::clicked, this, [this] { RunSelectedProfile(); });
    connect(runMenuButton_, &QToolButton::clicked, this, [this] { ShowRunMenu(); });
    connect(writtenListButton_, &QToolButton::clicked, this, [this] { ShowWrittenFiles(); });
    connect(failedListButton_, &QToolButton::clicked, this, [this] { ShowFailedFiles(); });
    connect(newProfileButton_, &QToolButton::clicked, this, [this] { NewProfile(); });
    connect(closeButton_, &QToolButton::clicked, this, [this] { CloseWindow(); });

    runMenu_ = new ui::ColumnMenu(this);
    runMenu_->setObjectName("Copy_Popup");
}

void MainWindow::BuildCheckList() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    profileList_ = new ProfileCheckList(central);
    profileList_->setObjectName("ckl_ActionName");
    profileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(profileList_, 1);

    progressBar_ = new QProgressBar(central);
    progressBar_->setObjectName("ProgressBar1");
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(12);
    layout->addWidget(progressBar_);
    setCentralWidget(central);

    profileMenu_ = new QMenu(this);
    profileMenu_->setObjectName("Edit_Popup");
    newProfileItem_ = MenuItem(profileMenu_, "New1", "新規作成", &MainWindow::NewProfile);
    newProfileItem_->setToolTip(QStringLiteral("バックアッププロフィールを追加します"));
    profileMenu_->setToolTipsVisible(true);
    editProfileItem_ = MenuItem(profileMenu_, "Edit1", "編集", &MainWindow::EditSelectedProfile);
    deleteProfileItem_ = MenuItem(profileMenu_, "Delete1", "削除", &MainWindow::DeleteSelectedProfile);
    connect(profileList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!RunInProgress())
            profileMenu_->popup(profileList_->viewport()->mapToGlobal(pos));
    });
}

void MainWindow::BuildStatusBar() {
    auto* bar = new QStatusBar(this);
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(false);
    busyPanel_ = new QLabel(bar);
    busyPanel_->setMinimumWidth(50);
    statusPanel_ = new QLabel(bar);
    statusPanel_->setMinimumWidth(50);
    bar->addWidget(busyPanel_);
    bar->addWidget(statusPanel_, 1);
    setStatusBar(bar);
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    closeItem_ = MenuItem(file, "N1", "閉じる", &MainWindow::CloseWindow);

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    aboutItem_ = MenuItem(help, "N2", "バージョン", &MainWindow::ShowAboutBox);
    homePageItem_ = MenuItem(help, "N3", "開発元", &MainWindow::OpenHomePage);
    readmeItem_ = MenuItem(help, "readme1", "Readme", &MainWindow::OpenReadme);

    QMenu* tool = bar->addMenu(QStringLiteral("Tool"));
    QMenu* mode = tool->addMenu(QStringLiteral("コピーモード"));
    mode->menuAction()->setObjectName("N5");
    fastModeItem_ = MenuItem(mode, "COPY_MODE_HI", "高速", &MainWindow::ChooseFastMode);
    carefulModeItem_ = MenuItem(mode, "COPY_MODE_ALL", "丁寧<全スキャン>", &MainWindow::ChooseCarefulMode);

    QMenu* temp = tool->addMenu(QStringLiteral("バックアップ中止モード"));
    temp->menuAction()->setObjectName("Item_BackTemp");
    struct Choice {
        QAction** item;
        const char* name;
        const char* caption;
        int value;
    } choices[] = {{&noRecoveryItem_, "temp_Non", "なし", 0},
                   {&recovery1MBItem_, "temp_1M", "1MB以上のファイルのみ回復", 1000000},
                   {&recovery10MBItem_, "temp_10M", "10MB以上のファイルのみ回復", 10000000},
                   {&recovery20MBItem_, "temp_20M", "20MB以上のファイルのみ回復", 20000000},
                   {&recovery50MBItem_, "temp_50M", "50MB以上のファイルのみ回復", 50000000},
                   {&recovery100MBItem_, "temp_100M", "100MB以上のファイルのみ回復", 100000000}};
    for (const Choice& c : choices) {
        *c.item = MenuItem(temp, c.name, c.caption, nullptr);
        (*c.item)->setData(c.value);
        int value = c.value;
        connect(*c.item, &QAction::triggered, this, [this, value] { ChooseRecoveryThreshold(value); });
    }

    settingsFileItem_ = MenuItem(tool, "N4", "設定ファイル", &MainWindow::OpenSettingsFile);
    logOnItem_ = MenuItem(tool, "Item_LogOn", "ログイン", &MainWindow::BrowseToLogOn);
    hostAddressItem_ = MenuItem(tool, "NetPC", "ネットワーク", &MainWindow::ShowHostAddress);
    loginTestItem_ = MenuItem(tool, "test1", "login_test", &MainWindow::ShowLoginTest);
    networkListItem_ = MenuItem(tool, "netBrowse", "ネットワーク一覧", &MainWindow::ShowNetworkList);
    tool->addSeparator();
    historyItem_ = MenuItem(tool, "Item_History", "以前の版の保存", &MainWindow::ChooseHistory);
    verifyItem_ = MenuItem(tool, "Item_Verify", "バックアップの検証", &MainWindow::VerifySelectedProfile);
    restoreItem_ = MenuItem(tool, "Item_Restore", "復元", &MainWindow::ShowRestoreWindow);
}

} // namespace hozonix::mainwindow
