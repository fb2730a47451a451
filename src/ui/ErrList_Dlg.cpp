#include "ErrList_Dlg.h"

#include "AtomicFile.h"
#include "DefaultErrorHandler.h"
#include "JapaneseFonts.h"
#include "MessageLines.h"
#include "Pickers.h"
#include "QtWindowGeometry.h"

#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::ui {

namespace {

constexpr const char* kWindowName = "ErrListDlg";

QToolButton* FlatButton(const char* name, const QString& caption, const QString& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFixedSize(100, 32);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

} // namespace

TErrListDlg::TErrListDlg(IniFile& settings, MessageBoxService& messages, Pickers& pickers,
                         const Rect& fallback, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), messages_(messages), pickers_(pickers),
      fallback_(fallback) {
    setObjectName(kWindowName);
    setWindowTitle(QStringLiteral("検査"));
    setFont(GothicFont(12));

    MessBox = new QPlainTextEdit;
    MessBox->setObjectName("MessBox");
    MessBox->setFont(GothicFont(12));
    MessBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    MessBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MessBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MessBox->setFocusPolicy(Qt::ClickFocus);
    MessBox->setContextMenuPolicy(Qt::CustomContextMenu);

    Panel1 = new QWidget;
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(46);
    Close_Btn =
        FlatButton("Close_Btn", QStringLiteral("閉じる"), QStringLiteral("この画面を閉じます"), Panel1);
    SpeedButton1 =
        FlatButton("SpeedButton1", QStringLiteral("印刷"), QStringLiteral("結果を印刷します"), Panel1);
    SpeedButton1->setEnabled(false);
    Save_Btn = FlatButton("Save_Btn", QString(), QStringLiteral("名前を付けて保存します"), Panel1);
    Save_Btn->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    Save_Btn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(8, 7, 8, 7);
    panelLayout->setSpacing(4);
    panelLayout->addWidget(Close_Btn);
    panelLayout->addWidget(SpeedButton1);
    panelLayout->addWidget(Save_Btn);
    panelLayout->addStretch();

    Save_Popup = new QMenu(this);
    Save_Popup->setObjectName("Save_Popup");
    N1 = Save_Popup->addAction(QStringLiteral("改行あり"));
    N2 = Save_Popup->addAction(QStringLiteral("改行なし"));

    Edit_Popup = new QMenu(this);
    Edit_Popup->setObjectName("Edit_Popup");
    Copy1 = Edit_Popup->addMenu(QStringLiteral("コピー"));
    kaigyou_ari = Copy1->addAction(QStringLiteral("改行あり"));
    kaigyou_nasi = Copy1->addAction(QStringLiteral("カンマ区切り"));
    Paste1 = Edit_Popup->addAction(QStringLiteral("貼り付け"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MessBox, 1);
    layout->addWidget(Panel1);

    connect(Close_Btn, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { Close_BtnClick(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { SpeedButton1Click(); }); });
    connect(Save_Btn, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { Save_BtnClick(); }); });
    connect(MessBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Edit_Popup->popup(MessBox->viewport()->mapToGlobal(at)); });
    Bind(N1, &TErrListDlg::N1Click);
    Bind(N2, &TErrListDlg::N2Click);
    Bind(kaigyou_ari, &TErrListDlg::kaigyou_ariClick);
    Bind(kaigyou_nasi, &TErrListDlg::kaigyou_nasiClick);
    Bind(Paste1, &TErrListDlg::Paste1Click);

    move(328, 264);
    resize(585, 278);
}

TErrListDlg::~TErrListDlg() {
    FormDestroy();
}

template <typename Handler> void TErrListDlg::Bind(QAction* action, Handler handler) {
    connect(action, &QAction::triggered, this,
            [this, handler] { RunCommand(messages_, [&] { (this->*handler)(); }); });
}

bool TErrListDlg::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(event);
}

std::vector<std::string> TErrListDlg::Lines() const {
    // The raw text: toPlainText() would turn no-break spaces in file names into blanks.
    return LinesOfText(MessBox->document()->toRawText());
}

void TErrListDlg::SetPrintHandler(PrintHandler handler) {
    print_ = std::move(handler);
    SpeedButton1->setEnabled(static_cast<bool>(print_));
}

void TErrListDlg::FormActivate() {
    if (placementRestored_)
        return;
    QtWindowGeometry geometry(*this, kWindowName);
    RestoreWindowPlacement(settings_, geometry, fallback_);
    placementRestored_ = true;
}

void TErrListDlg::FormDestroy() {
    RunCommand(messages_, [this] {
        QtWindowGeometry geometry(*this, kWindowName);
        SaveWindowPlacement(settings_, geometry);
    });
}

void TErrListDlg::Close_BtnClick() {
    hide();
}

void TErrListDlg::SpeedButton1Click() {
    if (print_)
        print_(windowTitle().toStdString(), Lines());
}

void TErrListDlg::Save_BtnClick() {
    Save_Popup->popup(QCursor::pos());
}

void TErrListDlg::N1Click() {
    SaveLines(true);
}

void TErrListDlg::N2Click() {
    SaveLines(false);
}

void TErrListDlg::SaveLines(bool withLineBreaks) {
    std::vector<std::string> lines = Lines();
    if (lines.empty())
        return;
    std::string path = pickers_.AskSaveFileName("メッセージの保存", "", "TXT", "ファイル (*.TXT)|*.TXT");
    if (path.empty())
        return;
    // Written beside the target and renamed over it, so a failed save never costs the file it replaces.
    ReplaceFileAtomically(path, withLineBreaks ? TextWithLineBreaks(lines) : CommaTextLine(lines));
}

void TErrListDlg::kaigyou_ariClick() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(JoinedWithLineBreaks(Lines())));
}

void TErrListDlg::kaigyou_nasiClick() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(JoinedWithCommas(Lines())));
}

void TErrListDlg::Paste1Click() {
    MessBox->paste();
}

MessageListOwner::~MessageListOwner() = default;

void MessageListOwner::ShowMessageList(const std::string& title, const std::vector<std::string>& lines) {
    if (!dialog_) {
        dialog_ = std::make_unique<TErrListDlg>(settings_, messages_, pickers_, fallback_);
        if (print_)
            dialog_->SetPrintHandler(print_);
    }
    dialog_->setWindowTitle(QString::fromUtf8(title));
    dialog_->MessBox->setPlainText(TextOfLines(lines));
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void MessageListOwner::SetPrintHandler(TErrListDlg::PrintHandler handler) {
    print_ = std::move(handler);
    if (dialog_)
        dialog_->SetPrintHandler(print_);
}

} // namespace hozonix::ui
