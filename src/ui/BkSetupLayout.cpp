// How the wizard window is put together: its pages, file panes, button bar and status bar, and which
// handler each control's event reaches.
#include "fm_BkSetup.h"

#include "BkSetupFileList.h"
#include "BkSetupTabBar.h"
#include "DefaultErrorHandler.h"
#include "JapaneseFonts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::ui {

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMaroon(128, 0, 0);
const QColor kNavy(0, 0, 128);

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    widget->setPalette(p);
}

QLabel* EditLabel(const QString& text, const QColor& colour) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    SetTextColour(label, colour);
    return label;
}

QLineEdit* HintedEdit(const char* name, const QString& hint) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setToolTip(hint);
    // The grey of a scroll bar, as the edits were designed.
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    edit->setPalette(p);
    return edit;
}

QToolButton* GlyphButton(const char* name, QStyle::StandardPixmap glyph, QWidget* owner) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setIcon(owner->style()->standardIcon(glyph));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(22, 20);
    return button;
}

QPushButton* BarButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    // No button answers Enter.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// A label above its edit, with an optional glyph button beside the label.
void AddLabelledEdit(QVBoxLayout* page, QLabel* label, QLineEdit* edit, QToolButton* button = nullptr) {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    label->setFixedHeight(20);
    row->addWidget(label);
    if (button != nullptr)
        row->addWidget(button);
    row->addStretch();
    page->addLayout(row);
    page->addWidget(edit);
}

QLabel* CaptionBar(const char* name, const QString& text, const QColor& ink, const QColor& paper) {
    auto* bar = new QLabel(text);
    bar->setObjectName(name);
    bar->setTextFormat(Qt::PlainText);
    bar->setAutoFillBackground(true);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, paper);
    p.setColor(QPalette::WindowText, ink);
    bar->setPalette(p);
    bar->setFixedHeight(18);
    return bar;
}

} // namespace

TfmBkSetup::TfmBkSetup(IniFile& settings, MessageBoxService& messages, Pickers& pickers,
                       ProfileList& profiles, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages), pickers_(pickers), profiles_(profiles) {
    setObjectName(WindowName);
    setWindowTitle(QStringLiteral("バックアップウイザード"));
    setFont(GothicFont(12));
    setSizeGripEnabled(false);

    BuildPages();
    BuildPanes();
    BuildButtons();

    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName("StatusBar1");
    auto* firstPanel = new QLabel;
    firstPanel->setFixedWidth(50);
    statusPrompt_ = new QLabel;
    statusPrompt_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(firstPanel);
    StatusBar1->addWidget(statusPrompt_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl1);
    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2);
    layout->addWidget(StatusBar1);

    move(182, 114);
    resize(660, 512);
    FormCreate();
}

TfmBkSetup::~TfmBkSetup() {
    FormDestroy();
}

void TfmBkSetup::BuildPages() {
    PageControl1 = new BkSetupPageControl;
    PageControl1->setObjectName("PageControl1");
    PageControl1->setFixedHeight(175);
    PageTabs = PageControl1->Tabs();
    SetTextColour(PageTabs, kNavy);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    FromDir_Edit = HintedEdit("FromDir_Edit",
                              QStringLiteral("1.コピー元のディレクトリを指定してください(ダブルクリック)"));
    SpeedButton2 = GlyphButton("SpeedButton2", QStyle::SP_DirOpenIcon, this);
    auto* page1 = new QVBoxLayout(TabSheet1);
    AddLabelledEdit(page1, EditLabel(QStringLiteral("1.コピー元のディレクトリ"), kTeal), FromDir_Edit,
                    SpeedButton2);
    page1->addStretch();

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    ToDir_Edit = HintedEdit("ToDir_Edit",
                            QStringLiteral("2.コピー先のディレクトリを指定してください(ダブルクリック)"));
    SpeedButton1 = GlyphButton("SpeedButton1", QStyle::SP_DirOpenIcon, this);
    auto* page2 = new QVBoxLayout(TabSheet2);
    AddLabelledEdit(page2, EditLabel(QStringLiteral("2.コピー先のディレクトリ"), kTeal), ToDir_Edit,
                    SpeedButton1);
    page2->addStretch();

    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    BkName_Edit = HintedEdit("BkName_Edit", QStringLiteral("バックアッププロファイル名を入力します"));
    Ext_Edit = HintedEdit("Ext_Edit", QStringLiteral("除外する拡張子を入力します"));
    outDir_Edit = HintedEdit("outDir_Edit", QStringLiteral("除外するディレクトリを入力します"));
    sb_OutDir = GlyphButton("sb_OutDir", QStyle::SP_DirOpenIcon, this);
    sb_OutDir->setToolTip(QStringLiteral("除外するディレクトリを選択できます"));
    SetTextColour(sb_OutDir, kTeal);
    auto* page3 = new QVBoxLayout(TabSheet3);
    page3->setSpacing(2);
    AddLabelledEdit(page3, EditLabel(QStringLiteral("バックアッププロファイル名を入力します"), kTeal),
                    BkName_Edit);
    AddLabelledEdit(
        page3,
        EditLabel(QStringLiteral("除外する拡張子を入力します(複数指定する時は半角コンマで区切ります)"),
                  kMaroon),
        Ext_Edit);
    AddLabelledEdit(page3, EditLabel(QStringLiteral("除外するディレクトリを入力します"), kMaroon),
                    outDir_Edit, sb_OutDir);
    page3->addStretch();

    PageControl1->addTab(TabSheet1, QStringLiteral("1.コピー元のディレクトリ"));
    PageControl1->addTab(TabSheet2, QStringLiteral("2.コピー先のディレクトリ"));
    PageControl1->addTab(TabSheet3, QStringLiteral("3.バックアッププロファイル名"));

    for (QLineEdit* edit : {FromDir_Edit, ToDir_Edit, outDir_Edit})
        edit->installEventFilter(this);
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { SpeedButton2Click(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { SpeedButton1Click(); }); });
    connect(sb_OutDir, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { sb_OutDirClick(); }); });
    connect(FromDir_Edit, &QLineEdit::textChanged, this,
            [this] { RunCommand(messages_, [this] { FromDir_EditChange(); }); });
    connect(ToDir_Edit, &QLineEdit::textChanged, this,
            [this] { RunCommand(messages_, [this] { ToDir_EditChange(); }); });
}

void TfmBkSetup::BuildPanes() {
    Panel1 = new QWidget;
    Panel1->setObjectName("Panel1");
    Splitter1 = new QSplitter(Qt::Horizontal);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setChildrenCollapsible(false);

    Panel4 = new QWidget;
    Panel4->setObjectName("Panel4");
    Label2 = CaptionBar("Label2", QStringLiteral(" バックアップ元ディレクトリのファイル"), kNavy,
                        QColor(166, 202, 240));
    FileListBox1 = new BkSetupFileList;
    FileListBox1->setObjectName("FileListBox1");
    FileListBox1->setToolTip(QStringLiteral("コピー元のファイルです"));
    auto* left = new QVBoxLayout(Panel4);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(Label2);
    left->addWidget(FileListBox1, 1);

    Panel3 = new QWidget;
    Panel3->setObjectName("Panel3");
    Label1 = CaptionBar("Label1", QStringLiteral(" バックアップ先ディレクトリのファイル"), QColor(255, 0, 0),
                        QColor(255, 221, 255));
    FileListBox2 = new BkSetupFileList;
    FileListBox2->setObjectName("FileListBox2");
    FileListBox2->setToolTip(QStringLiteral("コピー先のファイルです"));
    auto* right = new QVBoxLayout(Panel3);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(Label1);
    right->addWidget(FileListBox2, 1);

    Splitter1->addWidget(Panel4);
    Splitter1->addWidget(Panel3);
    // The left pane keeps its width when the window is resized; the right one takes the rest.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({279, 381});

    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);

    const std::string here = CurrentFolder();
    for (BkSetupFileList* pane : {FileListBox1, FileListBox2}) {
        pane->SetFolder(here);
        pane->viewport()->installEventFilter(this);
    }
}

void TfmBkSetup::BuildButtons() {
    Panel2 = new QWidget;
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(45);
    Prior_Btn = BarButton("Prior_Btn", QStringLiteral("< 戻る"));
    Next_Btn = BarButton("Next_Btn", QStringLiteral("次へ >"));
    sbOK = new QToolButton;
    sbOK->setObjectName("sbOK");
    sbOK->setText(QStringLiteral("完了"));
    sbOK->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    sbOK->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sbOK->setEnabled(false);
    Cancel_Btn = BarButton("Cancel_Btn", QStringLiteral("キャンセル"));
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{Prior_Btn, Next_Btn, sbOK, Cancel_Btn})
        b->setFixedSize(90, 27);

    auto* bar = new QHBoxLayout(Panel2);
    bar->setContentsMargins(8, 9, 8, 9);
    bar->setSpacing(6);
    bar->addStretch();
    bar->addWidget(Prior_Btn);
    bar->addWidget(Next_Btn);
    bar->addWidget(sbOK);
    bar->addSpacing(12);
    bar->addWidget(Cancel_Btn);

    connect(Prior_Btn, &QPushButton::clicked, this,
            [this] { RunCommand(messages_, [this] { Prior_BtnClick(); }); });
    connect(Next_Btn, &QPushButton::clicked, this,
            [this] { RunCommand(messages_, [this] { Next_BtnClick(); }); });
    connect(sbOK, &QToolButton::clicked, this, [this] { RunCommand(messages_, [this] { sbOKClick(); }); });
    connect(Cancel_Btn, &QPushButton::clicked, this,
            [this] { RunCommand(messages_, [this] { Cancel_BtnClick(); }); });
}

} // namespace hozonix::ui
