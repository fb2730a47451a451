// The preview window's controls and menus, as the window shows them at creation.

#include "preview/PreviewWindow.h"
#include "ui/ColumnMenu.h"
#include "ui/JapaneseFonts.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::preview {

namespace {

constexpr int kMaxPageNumber = 99999;

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

void PreviewWindow::BuildControls() {
    setFont(ui::GothicFont(12));

    // Buttons without a caption of their own get a short one, so that they can be told apart.
    closeButton_ = ToolButton("Close_Btn", QStringLiteral("閉じる"), QString());
    printButton_ = ToolButton("Print_Btn", QStringLiteral("&P"), QStringLiteral("印刷します(Alt+P)"));
    pageLabel_ = Label("Label1", QStringLiteral("頁"));
    pageSpin_ = SpinEdit("Page_SpinEdit", QStringLiteral("指定ページを表示します"), 0, 1, 1);
    zoomLabel_ = Label("lb_Zoom", QStringLiteral("70%"));
    zoomSlider_ = new QSlider(Qt::Horizontal);
    zoomSlider_->setObjectName("Zoom_TrackBar");
    zoomSlider_->setToolTip(QStringLiteral("表示倍率を変更します"));
    zoomSlider_->setRange(40, 200);
    zoomSlider_->setValue(70);
    zoomSlider_->setFixedWidth(100);
    pageLayoutButton_ =
        ToolButton("ReSize_Btn", QStringLiteral("余白"), QStringLiteral("余白等を変更します"));
    fitWidthButton_ = ToolButton("ToWidth_Btn", QStringLiteral("幅"), QStringLiteral("用紙幅に合わせて表示"));
    fitPageButton_ = ToolButton("ToFit_Btn", QStringLiteral("全体"), QStringLiteral("全画面表示"));
    orientationButton_ =
        ToolButton("Layout_Btn", QStringLiteral("向き"), QStringLiteral("用紙の向きを変更します"));
    paperButton_ = ToolButton("Size_Btn", QStringLiteral("用紙"), QStringLiteral("用紙を変更します"));
    labelSkipButton_ =
        ToolButton("Label_Btn", QStringLiteral("ラベル"), QStringLiteral("宛名ラベルのスキップを指定します"));
    titleButton_ =
        ToolButton("Title_Btn", QStringLiteral("タイトル"), QStringLiteral("タイトルを変更します"));
    printerSetupButton_ = ToolButton("PrinterSet_Btn", QStringLiteral("プリンタ"), QString());

    printSettingsPanel_ = new QWidget;
    printSettingsPanel_->setObjectName("Setting_Panel");
    cassetteButton_ =
        ToolButton("Caset_Btn", QStringLiteral("カセット"), QStringLiteral("給紙をカセットに切り替えます"));
    manualFeedButton_ =
        ToolButton("Manual_Btn", QStringLiteral("手差し"), QStringLiteral("給紙を手差しに切り替えます"));
    cassetteButton_->setCheckable(true);
    manualFeedButton_->setCheckable(true);
    auto* feed = new QButtonGroup(printSettingsPanel_);
    feed->setExclusive(true);
    feed->addButton(cassetteButton_);
    feed->addButton(manualFeedButton_);
    cassetteButton_->setChecked(true);
    // Any page number may be typed: the range is cut to the report's pages when it is printed.
    firstPageSpin_ = SpinEdit("FirstPage_Edit", QStringLiteral("印刷開始ページ"), 0, kMaxPageNumber, 1);
    pageRangeDash_ = Label("Label2", QStringLiteral("～"));
    lastPageSpin_ = SpinEdit("LastPage_Edit", QStringLiteral("印刷終了ページ"), 0, kMaxPageNumber, 0);
    copiesLabel_ = Label("Label4", QStringLiteral("部数"));
    copiesSpin_ = SpinEdit("Copies_Edit", QStringLiteral("印刷部数"), 1, 100, 1);
    auto* panel = new QHBoxLayout(printSettingsPanel_);
    panel->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w :
         std::initializer_list<QWidget*>{cassetteButton_, manualFeedButton_, firstPageSpin_, pageRangeDash_,
                                         lastPageSpin_, copiesLabel_, copiesSpin_})
        panel->addWidget(w);

    toolbar_ = new QHBoxLayout;
    toolbar_->setContentsMargins(4, 2, 4, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{
             closeButton_, printButton_, pageLabel_, pageSpin_, zoomLabel_, zoomSlider_, pageLayoutButton_,
             fitWidthButton_, fitPageButton_, orientationButton_, paperButton_, labelSkipButton_,
             titleButton_, printerSetupButton_, printSettingsPanel_})
        toolbar_->addWidget(w);
    toolbar_->addStretch();
    secondRow_ = new QHBoxLayout;
    secondRow_->setContentsMargins(4, 0, 4, 2);
    secondRow_->addStretch();

    preview_ = new report::ReportPreview;
    preview_->setObjectName("Preview1");
    preview_->setContextMenuPolicy(Qt::CustomContextMenu);

    statusBar_ = new QStatusBar;
    statusBar_->setObjectName("StatusBar1");
    statusLeft_ = new QLabel;
    statusLeft_->setFixedWidth(120);
    statusRight_ = new QLabel;
    statusRight_->setFixedWidth(300);
    statusBar_->addWidget(statusLeft_);
    statusBar_->addWidget(statusRight_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar_);
    layout->addLayout(secondRow_);
    layout->addWidget(preview_, 1);
    layout->addWidget(statusBar_);

    fileMenu_ = new QMenu(this);
    fileMenu_->setObjectName("File_Popup");
    printThroughDialogItem_ =
        MenuItem(fileMenu_, "Print_Dlg", QStringLiteral("プリンタ設定ダイアログから印刷"), true);
    keepPaperSourceItem_ =
        MenuItem(fileMenu_, "CK_OutputBin", QStringLiteral("前回の給紙元情報を引き継ぐ"), true);
    keepPaperSourceItem_->setChecked(true);
    backgroundPrintItem_ = MenuItem(fileMenu_, "Print_BK", QStringLiteral("バックグランドで印刷"), true);
    saveReportItem_ = MenuItem(fileMenu_, "Save_Rep", QStringLiteral("レポートを保存"), false);
    openReportItem_ = MenuItem(fileMenu_, "Open_Rep", QStringLiteral("レポートを開く"), false);
    printerInformationItem_ =
        MenuItem(fileMenu_, "View_PrinterStaus", QStringLiteral("現在のプリンタ情報"), false);
    manualFeedItem_ = MenuItem(fileMenu_, "Bin_Manual", QStringLiteral("手差し"), true);
    printerSettingsItem_ = MenuItem(fileMenu_, "PrinSet", QStringLiteral("プリンターセッティング"), false);

    paperSourceMenu_ = new QMenu(this);
    paperSourceMenu_->setObjectName("OutputBin_Popup");
    for (const char* caption : {"First", "Upper", "Lower", "Middle", "Manual", "Auto", "Cassette", "Last"})
        paperSourceMenu_->addAction(QString::fromLatin1(caption));
    printButton_->setContextMenuPolicy(Qt::CustomContextMenu);
    printerSetupButton_->setContextMenuPolicy(Qt::CustomContextMenu);

    paperMenu_ = new ui::ColumnMenu(this);
    paperMenu_->setObjectName("Paper_Popup");
    for (const char* caption : {"A4", "A3", "A5", "B4", "B5"})
        paperMenu_->AddItem(caption, false, {})->setObjectName(QString::fromLatin1(caption));
}

} // namespace hozonix::preview
