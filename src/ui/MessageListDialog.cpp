#include "ui/MessageListDialog.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/JapaneseFonts.h"
#include "ui/LineListView.h"
#include "ui/MessageLines.h"
#include "ui/Pickers.h"
#include "ui/QtWindowGeometry.h"
#include "ui/ScreenPlacement.h"
#include "ui/ThemeIcons.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include <malloc.h>

namespace hozonix::ui {

namespace {

constexpr const char* kPlacementKey = "ErrListDlg";

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

MessageListDialog::MessageListDialog(IniFile& settings, MessageBoxService& messages, Pickers& pickers,
                                     const Rect& fallback, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), messages_(messages), pickers_(pickers),
      fallback_(fallback) {
    setObjectName(kPlacementKey);
    setWindowTitle(QStringLiteral("検査"));
    setFont(GothicFont(12));

    textBox_ = new QPlainTextEdit;
    textBox_->setObjectName("MessBox");
    textBox_->setFont(FixedGothicFont(12));
    textBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    textBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    textBox_->setFocusPolicy(Qt::ClickFocus);
    textBox_->setContextMenuPolicy(Qt::CustomContextMenu);

    longList_ = new LineListView;
    longList_->setObjectName("LongList");
    longList_->setFont(GothicFont(12));
    longList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    longList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    longList_->setContextMenuPolicy(Qt::CustomContextMenu);
    longList_->hide();

    buttonPanel_ = new QWidget;
    buttonPanel_->setObjectName("Panel1");
    buttonPanel_->setFixedHeight(46);
    closeButton_ =
        FlatButton("Close_Btn", QStringLiteral("閉じる"), QStringLiteral("この画面を閉じます"), buttonPanel_);
    printButton_ =
        FlatButton("SpeedButton1", QStringLiteral("印刷"), QStringLiteral("結果を印刷します"), buttonPanel_);
    printButton_->setEnabled(false);
    saveButton_ = FlatButton("Save_Btn", QString(), QStringLiteral("名前を付けて保存します"), buttonPanel_);
    saveButton_->setIcon(ThemedIcon({"document-save"}, "save-list"));
    saveButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* panelLayout = new QHBoxLayout(buttonPanel_);
    panelLayout->setContentsMargins(8, 7, 8, 7);
    panelLayout->setSpacing(4);
    panelLayout->addWidget(closeButton_);
    panelLayout->addWidget(printButton_);
    panelLayout->addWidget(saveButton_);
    panelLayout->addStretch();

    saveMenu_ = new QMenu(this);
    saveMenu_->setObjectName("Save_Popup");
    saveWithLineBreaks_ = saveMenu_->addAction(QStringLiteral("改行あり"));
    saveAsCommaText_ = saveMenu_->addAction(QStringLiteral("改行なし"));

    editMenu_ = new QMenu(this);
    editMenu_->setObjectName("Edit_Popup");
    copyMenu_ = editMenu_->addMenu(QStringLiteral("コピー"));
    copyWithLineBreaks_ = copyMenu_->addAction(QStringLiteral("改行あり"));
    copyWithCommas_ = copyMenu_->addAction(QStringLiteral("カンマ区切り"));
    paste_ = editMenu_->addAction(QStringLiteral("貼り付け"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(textBox_, 1);
    layout->addWidget(longList_, 1);
    layout->addWidget(buttonPanel_);

    connect(closeButton_, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { HideList(); }); });
    connect(printButton_, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { PrintLines(); }); });
    connect(saveButton_, &QToolButton::clicked, this,
            [this] { RunCommand(messages_, [this] { ShowSaveMenu(); }); });
    connect(textBox_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { editMenu_->popup(textBox_->viewport()->mapToGlobal(at)); });
    connect(longList_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { editMenu_->popup(longList_->viewport()->mapToGlobal(at)); });
    Bind(saveWithLineBreaks_, &MessageListDialog::SaveWithLineBreaks);
    Bind(saveAsCommaText_, &MessageListDialog::SaveAsCommaText);
    Bind(copyWithLineBreaks_, &MessageListDialog::CopyWithLineBreaks);
    Bind(copyWithCommas_, &MessageListDialog::CopyWithCommas);
    Bind(paste_, &MessageListDialog::Paste);

    move(328, 264);
    resize(585, 278);
}

MessageListDialog::~MessageListDialog() {
    SavePlacement();
}

template <typename Handler> void MessageListDialog::Bind(QAction* action, Handler handler) {
    connect(action, &QAction::triggered, this,
            [this, handler] { RunCommand(messages_, [&] { (this->*handler)(); }); });
}

bool MessageListDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        RestorePlacementOnce();
    return QWidget::event(event);
}

void MessageListDialog::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        ReleaseLines();
}

void MessageListDialog::SetLines(engine::PathList lines) {
    if (lines.size() > LongListLines) {
        textBox_->clear();
        textBox_->hide();
        longList_->SetLines(LineStore(std::move(lines)));
        longList_->show();
    } else {
        longList_->SetLines({});
        longList_->hide();
        textBox_->setPlainText(TextOfLines(lines.ToVector()));
        textBox_->show();
    }
}

bool MessageListDialog::ShowsLongList() const {
    return !longList_->isHidden();
}

std::vector<std::string> MessageListDialog::Lines() const {
    if (ShowsLongList())
        return longList_->Model().Lines().ToVector();
    // The raw text: toPlainText() would turn no-break spaces in file names into blanks.
    return LinesOfText(textBox_->document()->toRawText());
}

void MessageListDialog::SetPrintHandler(PrintHandler handler) {
    print_ = std::move(handler);
    printButton_->setEnabled(static_cast<bool>(print_));
}

void MessageListDialog::SetMainWindow(QWidget* mainWindow, QWidget* keepClear) {
    mainWindow_ = mainWindow;
    keepClear_ = keepClear;
}

void MessageListDialog::RestorePlacementOnce() {
    if (placementRestored_)
        return;
    const bool stored = RestorePlacementOnScreen(settings_, *this, kPlacementKey, fallback_);
    if (!stored && mainWindow_ && mainWindow_->isVisible()) {
        // The first use: beside the main window, so that its tool bar stays in reach.
        const QRect mainFrame = mainWindow_->frameGeometry();
        QRect keepClear(mainFrame.topLeft(), QSize(mainFrame.width(), 1));
        if (keepClear_) {
            const QPoint bottom = keepClear_->mapToGlobal(QPoint(0, keepClear_->height() - 1));
            keepClear.setBottom(std::max(keepClear.bottom(), bottom.y()));
        }
        SetOuterRect(*this,
                     PlaceBeside(OuterRect(*this).size(), mainFrame, keepClear, AvailableAreaFor(mainFrame)));
    }
    placementRestored_ = true;
}

void MessageListDialog::SavePlacement() {
    RunCommand(messages_, [this] {
        QtWindowGeometry geometry(*this, kPlacementKey);
        SaveWindowPlacement(settings_, geometry);
    });
}

void MessageListDialog::HideList() {
    hide();
    ReleaseLines();
}

// A hidden list is never shown again (the next list replaces it), so its memory goes back to the system.
void MessageListDialog::ReleaseLines() {
    textBox_->clear();
    longList_->SetLines({});
    malloc_trim(0);
}

void MessageListDialog::PrintLines() {
    if (!print_)
        return;
    if (ShowsLongList()) {
        print_(windowTitle().toStdString(), longList_->Model().Lines().ToPathList());
        return;
    }
    engine::PathList lines;
    for (const std::string& line : Lines()) {
        if (line.size() > engine::FrontCodedStrings::MaxLength)
            throw AppError("印刷できない長さの行があります");
        lines.push_back(line);
    }
    print_(windowTitle().toStdString(), lines);
}

void MessageListDialog::ShowSaveMenu() {
    saveMenu_->popup(QCursor::pos());
}

void MessageListDialog::SaveWithLineBreaks() {
    SaveLines(true);
}

void MessageListDialog::SaveAsCommaText() {
    SaveLines(false);
}

void MessageListDialog::SaveLines(bool withLineBreaks) {
    std::vector<std::string> lines = Lines();
    if (lines.empty())
        return;
    std::string path = pickers_.AskSaveFileName("メッセージの保存", "", "TXT", "ファイル (*.TXT)|*.TXT");
    if (path.empty())
        return;
    // Written beside the target and renamed over it, so a failed save never costs the file it replaces.
    ReplaceFileAtomically(path, withLineBreaks ? TextWithLineBreaks(lines) : CommaTextLine(lines));
}

void MessageListDialog::CopyWithLineBreaks() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(JoinedWithLineBreaks(Lines())));
}

void MessageListDialog::CopyWithCommas() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(JoinedWithCommas(Lines())));
}

void MessageListDialog::Paste() {
    if (ShowsLongList())
        longList_->InsertLinesHere(LinesOfText(QGuiApplication::clipboard()->text()));
    else
        textBox_->paste();
}

MessageListOwner::~MessageListOwner() = default;

void MessageListOwner::ShowMessageList(const std::string& title, const std::vector<std::string>& lines) {
    engine::PathList list;
    for (const std::string& line : lines)
        list.push_back(line);
    ShowPathList(title, std::move(list));
}

void MessageListOwner::ShowPathList(const std::string& title, engine::PathList lines) {
    if (!dialog_) {
        dialog_ = std::make_unique<MessageListDialog>(settings_, messages_, pickers_, fallback_);
        if (print_)
            dialog_->SetPrintHandler(print_);
        dialog_->SetMainWindow(mainWindow_, keepClear_);
    }
    dialog_->setWindowTitle(QString::fromUtf8(title));
    dialog_->SetLines(std::move(lines));
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void MessageListOwner::SetMainWindow(QWidget* mainWindow, QWidget* keepClear) {
    mainWindow_ = mainWindow;
    keepClear_ = keepClear;
    if (dialog_)
        dialog_->SetMainWindow(mainWindow, keepClear);
}

void MessageListOwner::SetPrintHandler(MessageListDialog::PrintHandler handler) {
    print_ = std::move(handler);
    if (dialog_)
        dialog_->SetPrintHandler(print_);
}

} // namespace hozonix::ui
