#include "ui/ProcessingDialog.h"

#include "ui/CopyAnimation.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/JapaneseFonts.h"
#include "ui/QtWindowGeometry.h"
#include "ui/ScreenCursor.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace hozonix::ui {

namespace {

constexpr const char* kPlacementKey = "ProcessDlg";

void SetBase(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Text, Qt::black);
    w->setPalette(pal);
}

} // namespace

ProcessingDialog::ProcessingDialog(IniFile& settings, MessageBoxService& messages, const Rect& fallback,
                                   QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages) {
    setObjectName(kPlacementKey);
    setFont(GothicFont(12));
    setModal(false);

    upperText_ = new QPlainTextEdit;
    upperText_->setObjectName("Memo1");
    upperText_->setFont(GothicFont(12));
    SetBase(upperText_, Qt::white);

    lowerText_ = new QTextEdit;
    lowerText_->setObjectName("memo2");
    lowerText_->setAcceptRichText(false);
    lowerText_->setFont(FixedGothicFont(12));
    SetBase(lowerText_, QColor(192, 220, 192));

    splitter_ = new QSplitter(Qt::Vertical);
    splitter_->setObjectName("Splitter1");
    splitter_->setHandleWidth(3);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(upperText_);
    splitter_->addWidget(lowerText_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({89, 121});

    progressBar_ = new QProgressBar;
    progressBar_->setObjectName("ProgressBar1");
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(13);

    animation_ = new CopyAnimation;
    animation_->setObjectName("Animate1");
    animation_->setFixedHeight(60);

    buttonPanel_ = new QWidget;
    buttonPanel_->setObjectName("Panel1");
    buttonPanel_->setFixedHeight(35);
    abortButton_ = new QPushButton(QStringLiteral("中止"), buttonPanel_);
    abortButton_->setObjectName("OKBtn");
    abortButton_->setFixedSize(173, 30);
    abortButton_->setDefault(true);
    abortButton_->setAutoDefault(true);
    auto* panelLayout = new QHBoxLayout(buttonPanel_);
    panelLayout->setContentsMargins(0, 2, 0, 3);
    panelLayout->addStretch();
    panelLayout->addWidget(abortButton_);
    panelLayout->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splitter_, 1);
    layout->addWidget(progressBar_);
    layout->addWidget(animation_);
    layout->addWidget(buttonPanel_);

    connect(abortButton_, &QPushButton::clicked, this,
            [this] { RunCommand(messages_, [this] { Abort(); }); });
    abortButton_->installEventFilter(this);

    // Designed place and client size; the stored placement or the fallback rule then applies.
    move(192, 133);
    resize(553, 321);
    RestorePlacementOnScreen(settings_, *this, kPlacementKey, fallback);
}

ProcessingDialog::~ProcessingDialog() {
    SavePlacement();
}

void ProcessingDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    Abort();
}

void ProcessingDialog::keyPressEvent(QKeyEvent* event) {
    // Esc must not hide the dialog while the run goes on unseen; only "中止" stops a run.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ProcessingDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == abortButton_ && event->type() == QEvent::FocusIn)
        ShowNormalCursor();
    return QDialog::eventFilter(watched, event);
}

void ProcessingDialog::Abort() {
    if (abortHandler_)
        abortHandler_();
    hide();
}

void ProcessingDialog::ShowNormalCursor() {
    SetScreenCursorBusy(false);
}

void ProcessingDialog::SavePlacement() {
    RunCommand(messages_, [this] {
        QtWindowGeometry geometry(*this, kPlacementKey);
        SaveWindowPlacement(settings_, geometry);
    });
}

ProcessingDialogOwner::~ProcessingDialogOwner() = default;

void ProcessingDialogOwner::ShowProcessDialog(const std::string& caption, ProcessAnimation animation) {
    if (!dialog_) {
        dialog_ = std::make_unique<ProcessingDialog>(settings_, messages_, fallback_);
        dialog_->SetAbortHandler(abortHandler_);
    }
    dialog_->setWindowTitle(QString::fromUtf8(caption));
    switch (animation) {
    case ProcessAnimation::CopyFiles:
        dialog_->Animation()->Start();
        break;
    }
    dialog_->show();
}

void ProcessingDialogOwner::UpdateProcessDialog(int position, const std::string& upper,
                                                const std::string& lower) {
    if (!dialog_)
        return;
    if (!upper.empty())
        dialog_->UpperText()->setPlainText(QString::fromUtf8(upper));
    if (!lower.empty())
        dialog_->LowerText()->setPlainText(QString::fromUtf8(lower));
    dialog_->ProgressBar()->setValue(std::clamp(position, 0, 100));
}

void ProcessingDialogOwner::HideProcessDialog() {
    if (dialog_)
        dialog_->hide();
}

void ProcessingDialogOwner::ClearProcessDialog() {
    if (!dialog_)
        return;
    dialog_->UpperText()->clear();
    dialog_->LowerText()->clear();
    dialog_->ProgressBar()->setValue(0);
}

void ProcessingDialogOwner::SetAbortHandler(std::function<void()> handler) {
    abortHandler_ = std::move(handler);
    if (dialog_)
        dialog_->SetAbortHandler(abortHandler_);
}

} // namespace hozonix::ui
