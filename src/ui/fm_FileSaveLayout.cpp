// The main window's controls: tool bar, check list with its context menu, progress bar, status bar and
// main menu, with their captions, hints and sizes.
#include "fm_FileSave.h"

#include "JapaneseFonts.h"
#include "PopupColumns.h"
#include "ProfileCheckList.h"

#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::ui {

namespace {

QToolButton* ToolButton(QToolBar* bar, const char* name, const char* caption, const char* hint, int width,
                        int height) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(QString::fromUtf8(caption));
    b->setToolTip(QString::fromUtf8(hint));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFixedSize(width, height);
    bar->addWidget(b);
    return b;
}

void ShowIcon(QToolButton* b, QStyle::StandardPixmap icon) {
    b->setIcon(b->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

} // namespace

QAction* TfmFileSave::MenuItem(QMenu* menu, const char* name, const char* caption,
                               void (TfmFileSave::*handler)()) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(name);
    if (handler != nullptr)
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return a;
}

void TfmFileSave::BuildToolBar() {
    constexpr int ButtonHeight = 34;
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(37);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    sb_All = ToolButton(ToolBar1, "sb_All", "一括保存", "チェックマークがついた保存プロファイルを実行します",
                        89, ButtonHeight);
    Save_Btn =
        ToolButton(ToolBar1, "Save_Btn", "", "登録済みのバックアップ処理を実行します", 294, ButtonHeight);

    pnl_Copy_Mode = new QLabel(ToolBar1);
    pnl_Copy_Mode->setObjectName("pnl_Copy_Mode");
    pnl_Copy_Mode->setToolTip(QStringLiteral("高速モードと丁寧モードを切り替えます"));
    pnl_Copy_Mode->setFixedSize(8, ButtonHeight);
    ToolBar1->addWidget(pnl_Copy_Mode);

    sb_Menu = ToolButton(ToolBar1, "sb_Menu", "", "登録済みのバックアップ属性を指定します", 40, ButtonHeight);
    ShowIcon(sb_Menu, QStyle::SP_ArrowDown);
    sb_Info = ToolButton(ToolBar1, "sb_Info", "", "更新結果を表示します", 32, ButtonHeight);
    ShowIcon(sb_Info, QStyle::SP_FileDialogDetailedView);
    sb_Err = ToolButton(ToolBar1, "sb_Err", "", "更新に失敗したファイルを表示します", 32, ButtonHeight);
    ShowIcon(sb_Err, QStyle::SP_MessageBoxWarning);
    sb_New = ToolButton(ToolBar1, "sb_New", "", "バックアップ属性を新規に作成します", 32, ButtonHeight);
    ShowIcon(sb_New, QStyle::SP_FileIcon);
    Close_Btn = ToolButton(ToolBar1, "Close_Btn", "閉じる", "Hozonixを終了します", 76, ButtonHeight);

    sb_Info->setEnabled(false);
    sb_Err->setEnabled(false);

    connect(sb_All, &QToolButton::clicked, this, [this] { sb_AllClick(); });
    connect(Save_Btn, &QToolButton::clicked, this, [this] { Save_BtnClick(); });
    connect(sb_Menu, &QToolButton::clicked, this, [this] { sb_MenuClick(); });
    connect(sb_Info, &QToolButton::clicked, this, [this] { sb_InfoClick(); });
    connect(sb_Err, &QToolButton::clicked, this, [this] { sb_ErrClick(); });
    connect(sb_New, &QToolButton::clicked, this, [this] { sb_NewClick(); });
    connect(Close_Btn, &QToolButton::clicked, this, [this] { Close_BtnClick(); });

    Copy_Popup = new ColumnMenu(this);
    Copy_Popup->setObjectName("Copy_Popup");
}

void TfmFileSave::BuildCheckList() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ckl_ActionName = new ProfileCheckList(central);
    ckl_ActionName->setObjectName("ckl_ActionName");
    ckl_ActionName->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(ckl_ActionName, 1);

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(12);
    layout->addWidget(ProgressBar1);
    setCentralWidget(central);

    Edit_Popup = new QMenu(this);
    Edit_Popup->setObjectName("Edit_Popup");
    New1 = MenuItem(Edit_Popup, "New1", "新規作成", &TfmFileSave::New1Click);
    New1->setToolTip(QStringLiteral("バックアッププロフィールを追加します"));
    Edit_Popup->setToolTipsVisible(true);
    Edit1 = MenuItem(Edit_Popup, "Edit1", "編集", &TfmFileSave::Edit1Click);
    Delete1 = MenuItem(Edit_Popup, "Delete1", "削除", &TfmFileSave::Delete1Click);
    connect(ckl_ActionName, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!RunInProgress())
            Edit_Popup->popup(ckl_ActionName->viewport()->mapToGlobal(pos));
    });
}

void TfmFileSave::BuildStatusBar() {
    auto* bar = new QStatusBar(this);
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setMinimumWidth(50);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setMinimumWidth(50);
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1, 1);
    setStatusBar(bar);
}

void TfmFileSave::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    N1 = MenuItem(file, "N1", "閉じる", &TfmFileSave::Close_BtnClick);

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    N2 = MenuItem(help, "N2", "バージョン", &TfmFileSave::N2Click);
    N3 = MenuItem(help, "N3", "開発元", &TfmFileSave::N3Click);
    readme1 = MenuItem(help, "readme1", "Readme", &TfmFileSave::readme1Click);

    QMenu* tool = bar->addMenu(QStringLiteral("Tool"));
    QMenu* mode = tool->addMenu(QStringLiteral("コピーモード"));
    mode->menuAction()->setObjectName("N5");
    COPY_MODE_HI = MenuItem(mode, "COPY_MODE_HI", "高速", &TfmFileSave::COPY_MODE_HIClick);
    COPY_MODE_ALL = MenuItem(mode, "COPY_MODE_ALL", "丁寧<全スキャン>", &TfmFileSave::COPY_MODE_ALLClick);

    QMenu* temp = tool->addMenu(QStringLiteral("バックアップ中止モード"));
    temp->menuAction()->setObjectName("Item_BackTemp");
    struct Choice {
        QAction** item;
        const char* name;
        const char* caption;
        int value;
    } choices[] = {{&temp_Non, "temp_Non", "なし", 0},
                   {&temp_1M, "temp_1M", "1MB以上のファイルのみ回復", 1000000},
                   {&temp_10M, "temp_10M", "10MB以上のファイルのみ回復", 10000000},
                   {&temp_20M, "temp_20M", "20MB以上のファイルのみ回復", 20000000},
                   {&temp_50M, "temp_50M", "50MB以上のファイルのみ回復", 50000000},
                   {&temp_100M, "temp_100M", "100MB以上のファイルのみ回復", 100000000}};
    for (const Choice& c : choices) {
        *c.item = MenuItem(temp, c.name, c.caption, nullptr);
        (*c.item)->setData(c.value);
        int value = c.value;
        connect(*c.item, &QAction::triggered, this, [this, value] { TempClick(value); });
    }

    N4 = MenuItem(tool, "N4", "設定ファイル", &TfmFileSave::N4Click);
    Item_LogOn = MenuItem(tool, "Item_LogOn", "ログイン", &TfmFileSave::Item_LogOnClick);
    NetPC = MenuItem(tool, "NetPC", "ネットワーク", &TfmFileSave::NetPCClick);
    test1 = MenuItem(tool, "test1", "login_test", &TfmFileSave::test1Click);
    netBrowse = MenuItem(tool, "netBrowse", "ネットワーク一覧", &TfmFileSave::netBrowseClick);
}

} // namespace hozonix::ui
