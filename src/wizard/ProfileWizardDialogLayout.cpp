// How the wizard window is put together: its pages, file panes, button bar and status bar, and which
// handler each control's event reaches.
#include "wizard/ProfileWizardDialog.h"

#include "ui/DefaultErrorHandler.h"
#include "ui/JapaneseFonts.h"
#include "wizard/ProfileWizardFileList.h"
#include "wizard/ProfileWizardTabBar.h"

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

namespace hozonix::wizard {

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

ProfileWizardDialog::ProfileWizardDialog(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                                         ProfileList& profiles, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages), pickers_(pickers), profiles_(profiles) {
    setObjectName(PlacementKey);
    setWindowTitle(QStringLiteral("バックアップウイザード"));
    setFont(ui::GothicFont(12));
    setSizeGripEnabled(false);

    BuildPages();
    BuildPanes();
    BuildButtons();

    statusBar_ = new QStatusBar;
    statusBar_->setObjectName("StatusBar1");
    auto* firstPanel = new QLabel;
    firstPanel->setFixedWidth(50);
    statusPrompt_ = new QLabel;
    statusPrompt_->setTextFormat(Qt::PlainText);
    statusBar_->addWidget(firstPanel);
    statusBar_->addWidget(statusPrompt_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addWidget(panesArea_, 1);
    layout->addWidget(buttonBar_);
    layout->addWidget(statusBar_);

    move(182, 114);
    resize(660, 512);
    StartNewProfile();
}

ProfileWizardDialog::~ProfileWizardDialog() {
    SavePlacement();
}

void ProfileWizardDialog::BuildPages() {
    tabs_ = new ProfileWizardTabWidget;
    tabs_->setObjectName("PageControl1");
    tabs_->setFixedHeight(175);
    tabBar_ = tabs_->Tabs();
    SetTextColour(tabBar_, kNavy);

    sourcePage_ = new QWidget;
    sourcePage_->setObjectName("TabSheet1");
    sourceEdit_ = HintedEdit("FromDir_Edit",
                             QStringLiteral("1.コピー元のディレクトリを指定してください(ダブルクリック)"));
    browseSourceButton_ = GlyphButton("SpeedButton2", QStyle::SP_DirOpenIcon, this);
    auto* page1 = new QVBoxLayout(sourcePage_);
    AddLabelledEdit(page1, EditLabel(QStringLiteral("1.コピー元のディレクトリ"), kTeal), sourceEdit_,
                    browseSourceButton_);
    page1->addStretch();

    destinationPage_ = new QWidget;
    destinationPage_->setObjectName("TabSheet2");
    destinationEdit_ = HintedEdit(
        "ToDir_Edit", QStringLiteral("2.コピー先のディレクトリを指定してください(ダブルクリック)"));
    browseDestinationButton_ = GlyphButton("SpeedButton1", QStyle::SP_DirOpenIcon, this);
    auto* page2 = new QVBoxLayout(destinationPage_);
    AddLabelledEdit(page2, EditLabel(QStringLiteral("2.コピー先のディレクトリ"), kTeal), destinationEdit_,
                    browseDestinationButton_);
    page2->addStretch();

    namePage_ = new QWidget;
    namePage_->setObjectName("TabSheet3");
    nameEdit_ = HintedEdit("BkName_Edit", QStringLiteral("バックアッププロファイル名を入力します"));
    excludedExtensionsEdit_ = HintedEdit("Ext_Edit", QStringLiteral("除外する拡張子を入力します"));
    excludedFoldersEdit_ = HintedEdit("outDir_Edit", QStringLiteral("除外するディレクトリを入力します"));
    browseExcludedButton_ = GlyphButton("sb_OutDir", QStyle::SP_DirOpenIcon, this);
    browseExcludedButton_->setToolTip(QStringLiteral("除外するディレクトリを選択できます"));
    SetTextColour(browseExcludedButton_, kTeal);
    auto* page3 = new QVBoxLayout(namePage_);
    page3->setSpacing(2);
    AddLabelledEdit(page3, EditLabel(QStringLiteral("バックアッププロファイル名を入力します"), kTeal),
                    nameEdit_);
    AddLabelledEdit(
        page3,
        EditLabel(QStringLiteral("除外する拡張子を入力します(複数指定する時は半角コンマで区切ります)"),
                  kMaroon),
        excludedExtensionsEdit_);
    AddLabelledEdit(page3, EditLabel(QStringLiteral("除外するディレクトリを入力します"), kMaroon),
                    excludedFoldersEdit_, browseExcludedButton_);
    page3->addStretch();

    tabs_->addTab(sourcePage_, QStringLiteral("1.コピー元のディレクトリ"));
    tabs_->addTab(destinationPage_, QStringLiteral("2.コピー先のディレクトリ"));
    tabs_->addTab(namePage_, QStringLiteral("3.バックアッププロファイル名"));

    for (QLineEdit* edit : {sourceEdit_, destinationEdit_, excludedFoldersEdit_})
        edit->installEventFilter(this);
    connect(browseSourceButton_, &QToolButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { BrowseSource(); }); });
    connect(browseDestinationButton_, &QToolButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { BrowseDestination(); }); });
    connect(browseExcludedButton_, &QToolButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { BrowseExcludedFolder(); }); });
    connect(sourceEdit_, &QLineEdit::textChanged, this,
            [this] { ui::RunCommand(messages_, [this] { SourceChanged(); }); });
    connect(destinationEdit_, &QLineEdit::textChanged, this,
            [this] { ui::RunCommand(messages_, [this] { DestinationChanged(); }); });
}

void ProfileWizardDialog::BuildPanes() {
    panesArea_ = new QWidget;
    panesArea_->setObjectName("Panel1");
    panesSplitter_ = new QSplitter(Qt::Horizontal);
    panesSplitter_->setObjectName("Splitter1");
    panesSplitter_->setChildrenCollapsible(false);

    sourcePanel_ = new QWidget;
    sourcePanel_->setObjectName("Panel4");
    sourceCaption_ = CaptionBar("Label2", QStringLiteral(" バックアップ元ディレクトリのファイル"), kNavy,
                                QColor(166, 202, 240));
    sourceFiles_ = new ProfileWizardFileList;
    sourceFiles_->setObjectName("FileListBox1");
    sourceFiles_->setToolTip(QStringLiteral("コピー元のファイルです"));
    auto* left = new QVBoxLayout(sourcePanel_);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(sourceCaption_);
    left->addWidget(sourceFiles_, 1);

    destinationPanel_ = new QWidget;
    destinationPanel_->setObjectName("Panel3");
    destinationCaption_ = CaptionBar("Label1", QStringLiteral(" バックアップ先ディレクトリのファイル"),
                                     QColor(255, 0, 0), QColor(255, 221, 255));
    destinationFiles_ = new ProfileWizardFileList;
    destinationFiles_->setObjectName("FileListBox2");
    destinationFiles_->setToolTip(QStringLiteral("コピー先のファイルです"));
    auto* right = new QVBoxLayout(destinationPanel_);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(destinationCaption_);
    right->addWidget(destinationFiles_, 1);

    panesSplitter_->addWidget(sourcePanel_);
    panesSplitter_->addWidget(destinationPanel_);
    // The left pane keeps its width when the window is resized; the right one takes the rest.
    panesSplitter_->setStretchFactor(0, 0);
    panesSplitter_->setStretchFactor(1, 1);
    panesSplitter_->setSizes({279, 381});

    auto* layout = new QHBoxLayout(panesArea_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panesSplitter_);

    const std::string here = CurrentFolder();
    for (ProfileWizardFileList* pane : {sourceFiles_, destinationFiles_}) {
        pane->SetFolder(here);
        pane->viewport()->installEventFilter(this);
    }
}

void ProfileWizardDialog::BuildButtons() {
    buttonBar_ = new QWidget;
    buttonBar_->setObjectName("Panel2");
    buttonBar_->setFixedHeight(45);
    backButton_ = BarButton("Prior_Btn", QStringLiteral("< 戻る"));
    nextButton_ = BarButton("Next_Btn", QStringLiteral("次へ >"));
    finishButton_ = new QToolButton;
    finishButton_->setObjectName("sbOK");
    finishButton_->setText(QStringLiteral("完了"));
    finishButton_->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    finishButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    finishButton_->setEnabled(false);
    cancelButton_ = BarButton("Cancel_Btn", QStringLiteral("キャンセル"));
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{backButton_, nextButton_, finishButton_, cancelButton_})
        b->setFixedSize(90, 27);

    auto* bar = new QHBoxLayout(buttonBar_);
    bar->setContentsMargins(8, 9, 8, 9);
    bar->setSpacing(6);
    bar->addStretch();
    bar->addWidget(backButton_);
    bar->addWidget(nextButton_);
    bar->addWidget(finishButton_);
    bar->addSpacing(12);
    bar->addWidget(cancelButton_);

    connect(backButton_, &QPushButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { GoBack(); }); });
    connect(nextButton_, &QPushButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { GoNext(); }); });
    connect(finishButton_, &QToolButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { Finish(); }); });
    connect(cancelButton_, &QPushButton::clicked, this,
            [this] { ui::RunCommand(messages_, [this] { Cancel(); }); });
}

} // namespace hozonix::wizard
