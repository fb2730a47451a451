// The preview window's controls and menus, as the window shows them at creation.

#include "ColumnMenu.h"
#include "JapaneseFonts.h"
#include "Repo_View.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::printing {

namespace {

QToolButton* ToolButton(const char* name, const QString& caption, const QString& hint) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    return button;
}

QSpinBox* SpinEdit(const char* name, const QString& hint, int minimum, int maximum, int value) {
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setToolTip(hint);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

QLabel* Label(const char* name, const QString& caption) {
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    return label;
}

QAction* MenuItem(QMenu* menu, const char* name, const QString& caption, bool checkable) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

} // namespace

void TPrevForm::BuildControls() {
    setFont(ui::GothicFont(12));

    // Buttons without a caption of their own get a short one, so that they can be told apart.
    Close_Btn = ToolButton("Close_Btn", QStringLiteral("閉じる"), QString());
    Print_Btn = ToolButton("Print_Btn", QStringLiteral("&P"), QStringLiteral("印刷します(Alt+P)"));
    Label1 = Label("Label1", QStringLiteral("頁"));
    Page_SpinEdit = SpinEdit("Page_SpinEdit", QStringLiteral("指定ページを表示します"), 0, 1, 1);
    lb_Zoom = Label("lb_Zoom", QStringLiteral("70%"));
    Zoom_TrackBar = new QSlider(Qt::Horizontal);
    Zoom_TrackBar->setObjectName("Zoom_TrackBar");
    Zoom_TrackBar->setToolTip(QStringLiteral("表示倍率を変更します"));
    Zoom_TrackBar->setRange(40, 200);
    Zoom_TrackBar->setValue(70);
    Zoom_TrackBar->setFixedWidth(100);
    ReSize_Btn = ToolButton("ReSize_Btn", QStringLiteral("余白"), QStringLiteral("余白等を変更します"));
    ToWidth_Btn = ToolButton("ToWidth_Btn", QStringLiteral("幅"), QStringLiteral("用紙幅に合わせて表示"));
    ToFit_Btn = ToolButton("ToFit_Btn", QStringLiteral("全体"), QStringLiteral("全画面表示"));
    Layout_Btn = ToolButton("Layout_Btn", QStringLiteral("向き"), QStringLiteral("用紙の向きを変更します"));
    Size_Btn = ToolButton("Size_Btn", QStringLiteral("用紙"), QStringLiteral("用紙を変更します"));
    Label_Btn =
        ToolButton("Label_Btn", QStringLiteral("ラベル"), QStringLiteral("宛名ラベルのスキップを指定します"));
    Title_Btn = ToolButton("Title_Btn", QStringLiteral("タイトル"), QStringLiteral("タイトルを変更します"));
    PrinterSet_Btn = ToolButton("PrinterSet_Btn", QStringLiteral("プリンタ"), QString());

    Setting_Panel = new QWidget;
    Setting_Panel->setObjectName("Setting_Panel");
    Caset_Btn =
        ToolButton("Caset_Btn", QStringLiteral("カセット"), QStringLiteral("給紙をカセットに切り替えます"));
    Manual_Btn =
        ToolButton("Manual_Btn", QStringLiteral("手差し"), QStringLiteral("給紙を手差しに切り替えます"));
    Caset_Btn->setCheckable(true);
    Manual_Btn->setCheckable(true);
    auto* feed = new QButtonGroup(Setting_Panel);
    feed->setExclusive(true);
    feed->addButton(Caset_Btn);
    feed->addButton(Manual_Btn);
    Caset_Btn->setChecked(true);
    FirstPage_Edit = SpinEdit("FirstPage_Edit", QStringLiteral("印刷開始ページ"), 0, 1, 1);
    Label2 = Label("Label2", QStringLiteral("～"));
    LastPage_Edit = SpinEdit("LastPage_Edit", QStringLiteral("印刷終了ページ"), 0, 1, 0);
    Label4 = Label("Label4", QStringLiteral("部数"));
    Copies_Edit = SpinEdit("Copies_Edit", QStringLiteral("印刷部数"), 1, 100, 1);
    auto* panel = new QHBoxLayout(Setting_Panel);
    panel->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{Caset_Btn, Manual_Btn, FirstPage_Edit, Label2,
                                                      LastPage_Edit, Label4, Copies_Edit})
        panel->addWidget(w);

    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(4, 2, 4, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{
             Close_Btn, Print_Btn, Label1, Page_SpinEdit, lb_Zoom, Zoom_TrackBar, ReSize_Btn, ToWidth_Btn,
             ToFit_Btn, Layout_Btn, Size_Btn, Label_Btn, Title_Btn, PrinterSet_Btn, Setting_Panel})
        toolbar->addWidget(w);
    toolbar->addStretch();

    Preview1 = new report::ReportPreview;
    Preview1->setObjectName("Preview1");
    Preview1->setContextMenuPolicy(Qt::CustomContextMenu);

    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName("StatusBar1");
    statusLeft_ = new QLabel;
    statusLeft_->setFixedWidth(120);
    statusRight_ = new QLabel;
    statusRight_->setFixedWidth(300);
    StatusBar1->addWidget(statusLeft_);
    StatusBar1->addWidget(statusRight_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(Preview1, 1);
    layout->addWidget(StatusBar1);

    File_Popup = new QMenu(this);
    File_Popup->setObjectName("File_Popup");
    Print_Dlg = MenuItem(File_Popup, "Print_Dlg", QStringLiteral("プリンタ設定ダイアログから印刷"), true);
    CK_OutputBin = MenuItem(File_Popup, "CK_OutputBin", QStringLiteral("前回の給紙元情報を引き継ぐ"), true);
    CK_OutputBin->setChecked(true);
    Print_BK = MenuItem(File_Popup, "Print_BK", QStringLiteral("バックグランドで印刷"), true);
    Save_Rep = MenuItem(File_Popup, "Save_Rep", QStringLiteral("レポートを保存"), false);
    Open_Rep = MenuItem(File_Popup, "Open_Rep", QStringLiteral("レポートを開く"), false);
    View_PrinterStaus =
        MenuItem(File_Popup, "View_PrinterStaus", QStringLiteral("現在のプリンタ情報"), false);
    Bin_Manual = MenuItem(File_Popup, "Bin_Manual", QStringLiteral("手差し"), true);
    PrinSet = MenuItem(File_Popup, "PrinSet", QStringLiteral("プリンターセッティング"), false);

    OutputBin_Popup = new QMenu(this);
    OutputBin_Popup->setObjectName("OutputBin_Popup");
    for (const char* caption : {"First", "Upper", "Lower", "Middle", "Manual", "Auto", "Cassette", "Last"})
        OutputBin_Popup->addAction(QString::fromLatin1(caption));
    Print_Btn->setContextMenuPolicy(Qt::CustomContextMenu);
    PrinterSet_Btn->setContextMenuPolicy(Qt::CustomContextMenu);

    Paper_Popup = new ui::ColumnMenu(this);
    Paper_Popup->setObjectName("Paper_Popup");
    for (const char* caption : {"A4", "A3", "A5", "B4", "B5"})
        Paper_Popup->AddItem(caption, false, {})->setObjectName(QString::fromLatin1(caption));
}

} // namespace hozonix::printing
