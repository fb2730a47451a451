#include "preview/PageLayoutDialog.h"

#include "preview/PageLayout.h"
#include "report/Report.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/JapaneseFonts.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::preview {

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

// A caption placed by hand, sized to its text in the font it is drawn with: that font reaches it only
// once the dialog's body is in the dialog, and differs with the language of the session.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    bool event(QEvent* event) override {
        const bool handled = QLabel::event(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::Polish)
            adjustSize();
        return handled;
    }
};

QLabel* Caption(QWidget* parent, const char* name, const char* text, int x, int y) {
    auto* label = new CaptionLabel(QString::fromUtf8(text), parent);
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

PageLayoutDialog::PageLayoutDialog(ReportDefinition& definition, MessageBoxService& messages, QWidget* parent)
    : QDialog(parent), definition_(definition), messages_(messages) {
    setObjectName("ReSizeDlg");
    setWindowTitle(QStringLiteral("印刷設定"));
    setFont(ui::GothicFont(12));

    closeButton_ = ToolButton("Close_Btn", "閉じる", "中止します");
    okButton_ = ToolButton("OK_Btn", "再表示", "再表示");
    saveButton_ = ToolButton("Save_Btn", "上書き保存", "余白設定を保存します");
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(2, 2, 2, 2);
    toolbar->setSpacing(2);
    toolbar->addWidget(closeButton_);
    toolbar->addWidget(okButton_);
    toolbar->addWidget(saveButton_);
    toolbar->addStretch();

    auto* body = new QWidget;
    body->setMinimumSize(kMarginAreaWidth, kBodyHeight);
    auto* marginArea = new PageDrawing(body);
    marginArea->setGeometry(0, 0, kMarginAreaWidth, kBodyHeight);
    BuildMarginArea(marginArea);
    BuildHiddenAreas(body);

    statusBar_ = new QStatusBar;
    statusBar_->setObjectName("StatusBar1");
    statusBar_->setSizeGripEnabled(false);
    statusPanel_ = new QLabel;
    statusPanel_->setFixedWidth(50);
    statusBar_->addWidget(statusPanel_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(body, 1);
    layout->addWidget(statusBar_);
    resize(kFullWidth, sizeHint().height());

    connect(closeButton_, &QToolButton::clicked, this, &PageLayoutDialog::CloseWithoutApplying);
    connect(okButton_, &QToolButton::clicked, this, &PageLayoutDialog::ApplyAndClose);
    connect(saveButton_, &QToolButton::clicked, this, &PageLayoutDialog::SaveAndClose);
    ApplyOnEdit(leftMarginEdit_, &PageLayoutDialog::LeftMarginChanged);
    ApplyOnEdit(rightMarginEdit_, &PageLayoutDialog::RightMarginChanged);
    ApplyOnEdit(columnsEdit_, &PageLayoutDialog::ColumnsChanged);
    ApplyOnEdit(columnSpaceEdit_, &PageLayoutDialog::ColumnSpaceChanged);
    connect(orientationButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            OrientationChanged();
    });
}

QLineEdit* PageLayoutDialog::NumberEdit(QWidget* parent, const char* name, const char* text, int x, int y,
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

void PageLayoutDialog::BuildMarginArea(QWidget* area) {
    topMarginLabel_ = Caption(area, "Label5", "上余白", 36, 25);
    topMarginEdit_ = NumberEdit(area, "topMG_Edit", "0", 74, 22, kEditWidth);
    millimetreLabel_ = Caption(area, "Label3", "mm", 134, 25);
    leftMarginLabel_ = Caption(area, "Label21", "左余白", 6, 70);
    leftMarginEdit_ = NumberEdit(area, "LeftMG_Edit", "0.0", 4, 88, kEditWidth);
    rightMarginLabel_ = Caption(area, "Label9", "右余白", 170, 74);
    rightMarginEdit_ = NumberEdit(area, "RightMG_Edit", "0.0", 168, 92, kEditWidth);

    detailPanel_ = new QWidget(area);
    detailPanel_->setObjectName("Panel2");
    detailPanel_->setGeometry(70, 52, 95, 105);
    detailPanel_->setAutoFillBackground(true);
    QPalette green = detailPanel_->palette();
    green.setColor(QPalette::Window, QColor(0, 160, 0));
    detailPanel_->setPalette(green);
    detailHeightLabel_ = Caption(detailPanel_, "Label1", "明細高", 22, 28);
    QPalette white = detailHeightLabel_->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    detailHeightLabel_->setPalette(white);
    detailHeightEdit_ = NumberEdit(detailPanel_, "Height_Edit", "0.0", 18, 48, kEditWidth);

    bottomMarginLabel_ = Caption(area, "Label10", "下余白", 36, 161);
    bottomMarginEdit_ = NumberEdit(area, "botomMG_Edit", "0.0", 74, 158, kEditWidth);

    orientationGroup_ = new QGroupBox(QStringLiteral("印刷方向"), area);
    orientationGroup_->setObjectName("Layout_Group");
    orientationGroup_->setGeometry(20, 254, 200, 44);
    portraitRadio_ = new QRadioButton(QStringLiteral("縦"));
    landscapeRadio_ = new QRadioButton(QStringLiteral("横"));
    auto* choices = new QHBoxLayout(orientationGroup_);
    choices->setContentsMargins(12, 0, 12, 2);
    choices->addWidget(portraitRadio_);
    choices->addWidget(landscapeRadio_);
    orientationButtons_ = new QButtonGroup(this);
    orientationButtons_->addButton(portraitRadio_, 0);
    orientationButtons_->addButton(landscapeRadio_, 1);
    portraitRadio_->setChecked(true);
}

void PageLayoutDialog::BuildHiddenAreas(QWidget* body) {
    columnPanel_ = new QWidget(body);
    columnPanel_->setObjectName("Column_Panel");
    columnPanel_->setGeometry(kMarginAreaWidth, 0, kFullWidth - kMarginAreaWidth, 100);
    Caption(columnPanel_, "ColumnsLabel", "列数", 8, 8);
    columnsEdit_ = NumberEdit(columnPanel_, "Columns_Edit", "1", 90, 4, kEditWidth);
    Caption(columnPanel_, "ColumnSpaceLabel", "列間隔", 8, 38);
    columnSpaceEdit_ = NumberEdit(columnPanel_, "ColumnSpace_Edit", "0.0", 90, 34, kEditWidth);
    Caption(columnPanel_, "RowsLabel", "行数", 8, 68);
    rowsEdit_ = NumberEdit(columnPanel_, "Rows_Edit", "0", 90, 64, kEditWidth);

    labelArea_ = new QWidget(body);
    labelArea_->setObjectName("Label_Area");
    labelArea_->setGeometry(kMarginAreaWidth, 100, kFullWidth - kMarginAreaWidth, kBodyHeight - 100);
}

void PageLayoutDialog::ApplyOnEdit(QLineEdit* edit, void (PageLayoutDialog::*handler)()) {
    // A value counts as changed once it is typed in full: applying it keystroke by keystroke would
    // rewrite the field under the cursor after the first digit.
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, handler] {
        if (edit->isModified())
            (this->*handler)();
    });
}

void PageLayoutDialog::HideColumnAndLabelAreas() {
    columnPanel_->hide();
    labelArea_->hide();
}

void PageLayoutDialog::Load() {
    loading_ = true;
    struct Done {
        bool& loading;
        ~Done() { loading = false; }
    } done{loading_};

    if (report_ != nullptr) {
        const report::PageSetup& setup = report_->Setup();
        topMarginEdit_->setText(MillimetreText(setup.topMargin));
        leftMarginEdit_->setText(MillimetreText(setup.leftMargin));
        rightMarginEdit_->setText(MillimetreText(setup.rightMargin));
        bottomMarginEdit_->setText(MillimetreText(setup.bottomMargin));
        detailHeightEdit_->setText(MillimetreText(detailHeight_));
        columnSpaceEdit_->setText(MillimetreText(setup.columnSpace));
        columnsEdit_->setText(QString::number(setup.columns));
    }
    rowsEdit_->setText(QString::number(definition_.RowCount));
    // The orientation last chosen here, not the report's: the preview may have turned the report since.
    (definition_.Orientation == 1 ? landscapeRadio_ : portraitRadio_)->setChecked(true);
    resize(kMarginAreaWidth, height());
}

bool PageLayoutDialog::Store() {
    definition_.LayoutChosen = true;
    const std::pair<QLineEdit*, double*> lengths[] = {
        {topMarginEdit_, &definition_.TopMargin},       {leftMarginEdit_, &definition_.LeftMargin},
        {rightMarginEdit_, &definition_.RightMargin},   {bottomMarginEdit_, &definition_.BottomMargin},
        {detailHeightEdit_, &definition_.DetailHeight}, {columnSpaceEdit_, &definition_.ColumnSpace},
    };
    for (const auto& [edit, field] : lengths) {
        const std::optional<double> value = NumberFromText(edit->text());
        if (!value)
            return false;
        *field = *value;
    }
    const std::pair<QLineEdit*, int16_t*> counts[] = {
        {columnsEdit_, &definition_.Columns},
        {rowsEdit_, &definition_.RowCount},
    };
    for (const auto& [edit, field] : counts) {
        const std::optional<int16_t> value = SmallIntegerFromText(edit->text());
        if (!value)
            return false;
        *field = *value;
    }
    definition_.Orientation = landscapeRadio_->isChecked() ? 1 : 0;
    if (report_ != nullptr)
        definition_.PaperSource = static_cast<int16_t>(report_->Printer().paperSource);
    return true;
}

void PageLayoutDialog::ApplyChangeNow() {
    if (loading_ || report_ == nullptr)
        return;
    ui::RunCommand(messages_, [this] {
        Store();
        ApplyReportDefinition(definition_, *report_);
        // The detail height reaches the report only through OK or Save; until then the field keeps what
        // was typed instead of falling back to the height the dialog opened with.
        if (const std::optional<double> typed = NumberFromText(detailHeightEdit_->text()))
            detailHeight_ = *typed;
        Load();
    });
}

void PageLayoutDialog::CloseWithoutApplying() {
    done(PageLayoutCancel);
}

void PageLayoutDialog::ApplyAndClose() {
    Store();
    done(PageLayoutOk);
}

void PageLayoutDialog::SaveAndClose() {
    Store();
    done(PageLayoutSave);
}

void PageLayoutDialog::done(int result) {
    // Focus leaving a field as the window closes must not apply a half-made edit after the fact.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setModified(false);
    QDialog::done(result);
}

} // namespace hozonix::preview
