#include "ReSize_Dlg.h"

#include "DefaultErrorHandler.h"
#include "JapaneseFonts.h"
#include "ReSizeLayout.h"
#include "Report.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::printing {

namespace {

constexpr int kEditWidth = 56;
constexpr int kEditHeight = 22;
constexpr int kBodyHeight = 304;
// Wide enough for the column panel and the label area beside the margin area.
constexpr int kFullWidth = 500;

// The margin area: a sheet with its printed area, behind the fields placed on it.
class PageDrawing : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QColor(96, 96, 96));
        painter.setBrush(Qt::white);
        painter.drawRect(QRect(34, 12, 170, 196));
        painter.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(66, 48, 103, 113));
    }
};

QLabel* Caption(QWidget* parent, const char* name, const char* text, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(x, y);
    return label;
}

QToolButton* ToolButton(const char* name, const char* caption, const char* hint) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(QString::fromUtf8(caption));
    button->setToolTip(QString::fromUtf8(hint));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    return button;
}

} // namespace

TReSizeDlg::TReSizeDlg(ReportDefinition& definition, MessageBoxService& messages, QWidget* parent)
    : QDialog(parent), definition_(definition), messages_(messages) {
    setObjectName("ReSizeDlg");
    setWindowTitle(QStringLiteral("印刷設定"));
    setFont(ui::GothicFont(12));

    Close_Btn = ToolButton("Close_Btn", "閉じる", "中止します");
    OK_Btn = ToolButton("OK_Btn", "再表示", "再表示");
    Save_Btn = ToolButton("Save_Btn", "上書き保存", "余白設定を保存します");
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(2, 2, 2, 2);
    toolbar->setSpacing(2);
    toolbar->addWidget(Close_Btn);
    toolbar->addWidget(OK_Btn);
    toolbar->addWidget(Save_Btn);
    toolbar->addStretch();

    auto* body = new QWidget;
    body->setMinimumSize(kMarginAreaWidth, kBodyHeight);
    auto* marginArea = new PageDrawing(body);
    marginArea->setGeometry(0, 0, kMarginAreaWidth, kBodyHeight);
    BuildMarginArea(marginArea);
    BuildHiddenAreas(body);

    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel = new QLabel;
    StatusPanel->setFixedWidth(50);
    StatusBar1->addWidget(StatusPanel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(body, 1);
    layout->addWidget(StatusBar1);
    resize(kFullWidth, sizeHint().height());

    connect(Close_Btn, &QToolButton::clicked, this, &TReSizeDlg::Close_BtnClick);
    connect(OK_Btn, &QToolButton::clicked, this, &TReSizeDlg::OK_BtnClick);
    connect(Save_Btn, &QToolButton::clicked, this, &TReSizeDlg::Save_BtnClick);
    ApplyOnEdit(LeftMG_Edit, &TReSizeDlg::LeftMG_EditChange);
    ApplyOnEdit(RightMG_Edit, &TReSizeDlg::RightMG_EditChange);
    ApplyOnEdit(Columns_Edit, &TReSizeDlg::Columns_EditChange);
    ApplyOnEdit(ColumnSpace_Edit, &TReSizeDlg::ColumnSpace_EditChange);
    connect(orientationButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            Layout_GroupClick();
    });
}

QLineEdit* TReSizeDlg::NumberEdit(QWidget* parent, const char* name, const char* text, int x, int y,
                                  int width) {
    auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
    edit->setObjectName(name);
    edit->setGeometry(x, y, width, kEditHeight);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Numbers only: no composition window in the way.
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    return edit;
}

void TReSizeDlg::BuildMarginArea(QWidget* area) {
    Label5 = Caption(area, "Label5", "上余白", 36, 25);
    topMG_Edit = NumberEdit(area, "topMG_Edit", "0", 74, 22, kEditWidth);
    Label3 = Caption(area, "Label3", "mm", 134, 25);
    Label21 = Caption(area, "Label21", "左余白", 6, 70);
    LeftMG_Edit = NumberEdit(area, "LeftMG_Edit", "0.0", 4, 88, kEditWidth);
    Label9 = Caption(area, "Label9", "右余白", 170, 74);
    RightMG_Edit = NumberEdit(area, "RightMG_Edit", "0.0", 168, 92, kEditWidth);

    Panel2 = new QWidget(area);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(70, 52, 95, 105);
    Panel2->setAutoFillBackground(true);
    QPalette green = Panel2->palette();
    green.setColor(QPalette::Window, QColor(0, 160, 0));
    Panel2->setPalette(green);
    Label1 = Caption(Panel2, "Label1", "明細高", 22, 28);
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    Height_Edit = NumberEdit(Panel2, "Height_Edit", "0.0", 18, 48, kEditWidth);

    Label10 = Caption(area, "Label10", "下余白", 36, 161);
    botomMG_Edit = NumberEdit(area, "botomMG_Edit", "0.0", 74, 158, kEditWidth);

    Layout_Group = new QGroupBox(QStringLiteral("印刷方向"), area);
    Layout_Group->setObjectName("Layout_Group");
    Layout_Group->setGeometry(20, 254, 200, 44);
    Portrait_Radio = new QRadioButton(QStringLiteral("縦"));
    Landscape_Radio = new QRadioButton(QStringLiteral("横"));
    auto* choices = new QHBoxLayout(Layout_Group);
    choices->setContentsMargins(12, 0, 12, 2);
    choices->addWidget(Portrait_Radio);
    choices->addWidget(Landscape_Radio);
    orientationButtons_ = new QButtonGroup(this);
    orientationButtons_->addButton(Portrait_Radio, 0);
    orientationButtons_->addButton(Landscape_Radio, 1);
    Portrait_Radio->setChecked(true);
}

void TReSizeDlg::BuildHiddenAreas(QWidget* body) {
    Column_Panel = new QWidget(body);
    Column_Panel->setObjectName("Column_Panel");
    Column_Panel->setGeometry(kMarginAreaWidth, 0, kFullWidth - kMarginAreaWidth, 100);
    Caption(Column_Panel, "ColumnsLabel", "列数", 8, 8);
    Columns_Edit = NumberEdit(Column_Panel, "Columns_Edit", "1", 90, 4, kEditWidth);
    Caption(Column_Panel, "ColumnSpaceLabel", "列間隔", 8, 38);
    ColumnSpace_Edit = NumberEdit(Column_Panel, "ColumnSpace_Edit", "0.0", 90, 34, kEditWidth);
    Caption(Column_Panel, "RowsLabel", "行数", 8, 68);
    Rows_Edit = NumberEdit(Column_Panel, "Rows_Edit", "0", 90, 64, kEditWidth);

    Label_Area = new QWidget(body);
    Label_Area->setObjectName("Label_Area");
    Label_Area->setGeometry(kMarginAreaWidth, 100, kFullWidth - kMarginAreaWidth, kBodyHeight - 100);
}

void TReSizeDlg::ApplyOnEdit(QLineEdit* edit, void (TReSizeDlg::*handler)()) {
    // A value counts as changed once it is typed in full: applying it keystroke by keystroke would
    // rewrite the field under the cursor after the first digit.
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, handler] {
        if (edit->isModified())
            (this->*handler)();
    });
}

void TReSizeDlg::HideColumnAndLabelAreas() {
    Column_Panel->hide();
    Label_Area->hide();
}

void TReSizeDlg::Load() {
    loading_ = true;
    struct Done {
        bool& loading;
        ~Done() { loading = false; }
    } done{loading_};

    if (report_ != nullptr) {
        const report::PageSetup& setup = report_->Setup();
        topMG_Edit->setText(MillimetreText(setup.topMargin));
        LeftMG_Edit->setText(MillimetreText(setup.leftMargin));
        RightMG_Edit->setText(MillimetreText(setup.rightMargin));
        botomMG_Edit->setText(MillimetreText(setup.bottomMargin));
        Height_Edit->setText(MillimetreText(detailHeight_));
        ColumnSpace_Edit->setText(MillimetreText(setup.columnSpace));
        Columns_Edit->setText(QString::number(setup.columns));
    }
    Rows_Edit->setText(QString::number(definition_.RowCount));
    // The orientation last chosen here, not the report's: the preview may have turned the report since.
    (definition_.Orientation == 1 ? Landscape_Radio : Portrait_Radio)->setChecked(true);
    resize(kMarginAreaWidth, height());
}

bool TReSizeDlg::Store() {
    definition_.CK_RESIZE = true;
    const std::pair<QLineEdit*, double*> lengths[] = {
        {topMG_Edit, &definition_.MG_TOP},         {LeftMG_Edit, &definition_.MG_LEFT},
        {RightMG_Edit, &definition_.MG_RIGHT},     {botomMG_Edit, &definition_.MG_BOTOM},
        {Height_Edit, &definition_.DETAIL_HEIGHT}, {ColumnSpace_Edit, &definition_.MG_COLUMN},
    };
    for (const auto& [edit, field] : lengths) {
        const std::optional<double> value = NumberFromText(edit->text());
        if (!value)
            return false;
        *field = *value;
    }
    const std::pair<QLineEdit*, int16_t*> counts[] = {
        {Columns_Edit, &definition_.COLUMNS},
        {Rows_Edit, &definition_.RowCount},
    };
    for (const auto& [edit, field] : counts) {
        const std::optional<int16_t> value = SmallIntegerFromText(edit->text());
        if (!value)
            return false;
        *field = *value;
    }
    definition_.Orientation = Landscape_Radio->isChecked() ? 1 : 0;
    if (report_ != nullptr)
        definition_.OUTPUTBIN_NO = static_cast<int16_t>(report_->Printer().paperSource);
    return true;
}

void TReSizeDlg::ApplyChangeNow() {
    if (loading_ || report_ == nullptr)
        return;
    ui::RunCommand(messages_, [this] {
        Store();
        ApplyReportDefinition(definition_, *report_);
        // The detail height reaches the report only through OK or Save; until then the field keeps what
        // was typed instead of falling back to the height the dialog opened with.
        if (const std::optional<double> typed = NumberFromText(Height_Edit->text()))
            detailHeight_ = *typed;
        Load();
    });
}

void TReSizeDlg::Close_BtnClick() {
    done(ReSizeCancel);
}

void TReSizeDlg::OK_BtnClick() {
    Store();
    done(ReSizeOk);
}

void TReSizeDlg::Save_BtnClick() {
    Store();
    done(ReSizeYes);
}

void TReSizeDlg::done(int result) {
    // Focus leaving a field as the window closes must not apply a half-made edit after the fact.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setModified(false);
    QDialog::done(result);
}

} // namespace hozonix::printing
