#include "Process_Dlg.h"

#include "CopyAnimation.h"
#include "DefaultErrorHandler.h"
#include "JapaneseFonts.h"
#include "QtWindowGeometry.h"
#include "RunHost.h"
#include "ScreenCursor.h"

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

constexpr const char* kWindowName = "ProcessDlg";

void SetBase(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Text, Qt::black);
    w->setPalette(pal);
}

} // namespace

TProcessDlg::TProcessDlg(IniFile& settings, MessageBoxService& messages, const Rect& fallback,
                         QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages) {
    setObjectName(kWindowName);
    setFont(GothicFont(12));
    setModal(false);

    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName("Memo1");
    Memo1->setFont(GothicFont(12));
    SetBase(Memo1, Qt::white);

    memo2 = new QTextEdit;
    memo2->setObjectName("memo2");
    memo2->setAcceptRichText(false);
    memo2->setFont(GothicFont(12));
    SetBase(memo2, QColor(192, 220, 192));

    Splitter1 = new QSplitter(Qt::Vertical);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(Memo1);
    Splitter1->addWidget(memo2);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({89, 121});

    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(13);

    Animate1 = new CopyAnimation;
    Animate1->setObjectName("Animate1");
    Animate1->setFixedHeight(60);

    Panel1 = new QWidget;
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(35);
    OKBtn = new QPushButton(QStringLiteral("中止"), Panel1);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setFixedSize(173, 30);
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 2, 0, 3);
    panelLayout->addStretch();
    panelLayout->addWidget(OKBtn);
    panelLayout->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Splitter1, 1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Animate1);
    layout->addWidget(Panel1);

    connect(OKBtn, &QPushButton::clicked, this, [this] { RunCommand(messages_, [this] { OKBtnClick(); }); });
    OKBtn->installEventFilter(this);

    // Designed place and client size; the stored placement or the fallback rule then applies.
    move(192, 133);
    resize(553, 321);
    QtWindowGeometry geometry(*this, kWindowName);
    RestoreWindowPlacement(settings_, geometry, fallback);
}

TProcessDlg::~TProcessDlg() {
    FormDestroy();
}

void TProcessDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TProcessDlg::keyPressEvent(QKeyEvent* event) {
    // Esc must not hide the dialog while the run goes on unseen; only "中止" stops a run.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TProcessDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == OKBtn && event->type() == QEvent::FocusIn)
        OKBtnEnter();
    return QDialog::eventFilter(watched, event);
}

void TProcessDlg::FormShow() {
    engine::AbortRequested = false;
}

void TProcessDlg::OKBtnClick() {
    engine::AbortRequested = true;
    hide();
}

void TProcessDlg::OKBtnEnter() {
    SetScreenCursorBusy(false);
}

void TProcessDlg::FormDestroy() {
    RunCommand(messages_, [this] {
        QtWindowGeometry geometry(*this, kWindowName);
        SaveWindowPlacement(settings_, geometry);
    });
}

ProcessDlgOwner::~ProcessDlgOwner() = default;

void ProcessDlgOwner::ShowProcessDialog(const std::string& caption, ProcessAnimation animation) {
    if (!dialog_)
        dialog_ = std::make_unique<TProcessDlg>(settings_, messages_, fallback_);
    dialog_->setWindowTitle(QString::fromUtf8(caption));
    switch (animation) {
    case ProcessAnimation::CopyFiles:
        dialog_->Animate1->Start();
        break;
    }
    dialog_->show();
}

void ProcessDlgOwner::UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) {
    if (!dialog_)
        return;
    if (!upper.empty())
        dialog_->Memo1->setPlainText(QString::fromUtf8(upper));
    if (!lower.empty())
        dialog_->memo2->setPlainText(QString::fromUtf8(lower));
    dialog_->ProgressBar1->setValue(std::clamp(position, 0, 100));
}

void ProcessDlgOwner::HideProcessDialog() {
    if (dialog_)
        dialog_->hide();
}

} // namespace hozonix::ui
