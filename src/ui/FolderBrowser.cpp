#include "ui/FolderBrowser.h"

#include "ui/JapaneseFonts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace hozonix::ui {

ScreenPoint BrowserPosition(int x, int y, int sw, int sh, int w, int h) {
    if (x == 0 || y == 0) {
        x = (sw - w) / 2;
        y = (sh - h) / 2;
    }
    if (x >= sw - w)
        x = sw - w;
    if (x <= 0)
        x = 0;
    if (y >= sh - h)
        y = sh - h;
    if (y <= 0)
        y = 0;
    return {x, y};
}

FolderBrowserDialog::FolderBrowserDialog(const std::string& title, const std::string& initialFolder,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("フォルダの参照"));
    setFont(GothicFont(12));

    TitleLabel = new QLabel(QString::fromUtf8(title));
    TitleLabel->setWordWrap(true);
    TitleLabel->setTextFormat(Qt::PlainText);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));

    Tree = new QTreeView;
    Tree->setModel(model_);
    Tree->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        Tree->hideColumn(column);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->expand(model_->index(QStringLiteral("/")));

    StatusLine = new QLabel;
    StatusLine->setTextFormat(Qt::PlainText);
    StatusLine->setMinimumHeight(StatusLine->fontMetrics().height());

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TitleLabel);
    layout->addWidget(Tree, 1);
    layout->addWidget(StatusLine);
    layout->addWidget(Buttons);

    connect(Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { SelectionChanged(); });

    const QString initial = QFile::decodeName(QByteArray::fromStdString(initialFolder));
    if (initial.size() > 1) {
        QModelIndex index = model_->index(initial);
        if (index.isValid()) {
            for (QModelIndex parentIndex = index.parent(); parentIndex.isValid();
                 parentIndex = parentIndex.parent())
                Tree->expand(parentIndex);
            Tree->setCurrentIndex(index);
            Tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
            FollowSelection();
        }
    }
    resize(340, 420);
}

std::string FolderBrowserDialog::SelectedFolder() const {
    QModelIndex index = Tree->currentIndex();
    if (!index.isValid())
        return {};
    return QFile::encodeName(model_->filePath(index)).toStdString();
}

void FolderBrowserDialog::FollowSelection() {
    // The folders around the preselected one arrive one listing at a time, sorted later, and push it out
    // of view: keep it in view through every such change until the user takes over the tree.
    follow_.setSingleShot(true);
    follow_.setInterval(0);
    connect(&follow_, &QTimer::timeout, this, [this] {
        if (Tree->currentIndex().isValid())
            Tree->scrollTo(Tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    auto later = [this] {
        if (following_)
            follow_.start();
    };
    connect(model_, &QAbstractItemModel::rowsInserted, this, later);
    connect(model_, &QAbstractItemModel::layoutChanged, this, later);
    connect(model_, &QFileSystemModel::directoryLoaded, this, later);
    Tree->viewport()->installEventFilter(this);
    Tree->installEventFilter(this);
    following_ = true;
    later();
}

bool FolderBrowserDialog::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        following_ = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void FolderBrowserDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (following_)
        follow_.start();
}

void FolderBrowserDialog::SelectionChanged() {
    const std::string folder = SelectedFolder();
    StatusLine->setText(QFile::decodeName(QByteArray::fromStdString(folder)));
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(!folder.empty());
}

OtherWindowsDisabled::OtherWindowsDisabled(const QWidget* except) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == except || !window->isVisible() || !window->isEnabled())
            continue;
        window->setEnabled(false);
        disabled_.push_back(window);
    }
}

OtherWindowsDisabled::~OtherWindowsDisabled() {
    for (const QPointer<QWidget>& window : disabled_) {
        if (window)
            window->setEnabled(true);
    }
}

std::optional<std::string> QtFolderBrowser::Browse(const std::string& title, const std::string& initialFolder,
                                                   int x, int y) {
    // No parent: disabling the other windows must not disable the browser with them.
    FolderBrowserDialog dialog(title, initialFolder);
    dialog.setWindowModality(Qt::ApplicationModal);

    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->geometry().size() : QSize(1024, 768);
    ScreenPoint at =
        BrowserPosition(x, y, screenSize.width(), screenSize.height(), dialog.width(), dialog.height());
    dialog.move(at.x, at.y);

    int result;
    {
        OtherWindowsDisabled disabled(&dialog);
        result = dialog.exec();
    }
    if (result != QDialog::Accepted)
        return std::nullopt;
    std::string folder = dialog.SelectedFolder();
    if (folder.empty())
        return std::nullopt;
    return folder;
}

} // namespace hozonix::ui
