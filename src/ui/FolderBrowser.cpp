#include "ui/FolderBrowser.h"

#include "ui/JapaneseFonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
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

ScreenPoint BrowserPositionOnScreen(int x, int y, int w, int h) {
    QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    // A point on the left or top edge of this screen centres the browser on it.
    ScreenPoint at = BrowserPosition(x - area.x(), y - area.y(), area.width(), area.height(), w, h);
    return {at.x + area.x(), at.y + area.y()};
}

FolderBrowserDialog::FolderBrowserDialog(const std::string& title, const std::string& initialFolder,
                                         const PlaceSources& places, QWidget* parent)
    : QDialog(parent), places_(FindPlaces(places)) {
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

    PlacesList = new QListWidget;
    PlacesList->setObjectName("Places");
    PlacesList->setFixedWidth(150);
    PlacesList->setIconSize(QSize(16, 16));
    ShowPlaces();
    PlacesList->setCurrentRow(-1);

    ShowHidden = new QCheckBox(QStringLiteral("隠しフォルダを表示する"));
    connect(ShowHidden, &QCheckBox::toggled, this, [this](bool on) {
        model_->setFilter(on ? QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden
                             : QDir::AllDirs | QDir::NoDotAndDotDot);
    });

    StatusLine = new QLabel;
    StatusLine->setTextFormat(Qt::PlainText);
    StatusLine->setMinimumHeight(StatusLine->fontMetrics().height());

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* browse = new QHBoxLayout;
    browse->addWidget(PlacesList);
    browse->addWidget(Tree, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TitleLabel);
    layout->addLayout(browse, 1);
    layout->addWidget(ShowHidden);
    layout->addWidget(StatusLine);
    layout->addWidget(Buttons);

    connect(Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { SelectionChanged(); });
    connect(PlacesList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenAt(item->data(Qt::UserRole).toString(), true); });
    connect(PlacesList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenAt(item->data(Qt::UserRole).toString(), true); });

    KeepFollowedInView();

    // An initial folder of one character (or none) selects nothing: the browser opens at home. A folder
    // that is gone opens at its nearest parent that is still there.
    QString initial = QFile::decodeName(QByteArray::fromStdString(initialFolder));
    bool select = initial.size() > 1;
    if (select) {
        while (initial.size() > 1 && !QFileInfo(initial).isDir()) {
            select = false;
            initial = QFileInfo(initial).path();
        }
    }
    if (initial.size() <= 1 || !QFileInfo(initial).isDir()) {
        select = false;
        initial = QFile::decodeName(QByteArray::fromStdString(places_.front().path));
    }
    startFolder_ = QFile::encodeName(initial).toStdString();
    OpenAt(initial, select);
    resize(560, 440);
}

void FolderBrowserDialog::ShowPlaces() {
    for (const Place& place : places_) {
        const char* theme = place.kind == PlaceKind::Home    ? "user-home"
                            : place.kind == PlaceKind::Drive ? "drive-removable-media"
                                                             : "folder-remote";
        const QStyle::StandardPixmap fallback = place.kind == PlaceKind::Home    ? QStyle::SP_DirHomeIcon
                                                : place.kind == PlaceKind::Drive ? QStyle::SP_DriveHDIcon
                                                                                 : QStyle::SP_DriveNetIcon;
        auto* item =
            new QListWidgetItem(QIcon::fromTheme(QString::fromLatin1(theme), style()->standardIcon(fallback)),
                                QString::fromUtf8(place.name), PlacesList);
        const QString path = QFile::decodeName(QByteArray::fromStdString(place.path));
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
    }
}

void FolderBrowserDialog::OpenAt(const QString& folder, bool select) {
    QModelIndex index = model_->index(folder);
    if (!index.isValid())
        return;
    for (QModelIndex parentIndex = index.parent(); parentIndex.isValid(); parentIndex = parentIndex.parent())
        Tree->expand(parentIndex);
    if (select) {
        Tree->setCurrentIndex(index);
    } else {
        // Shown open, with nothing chosen yet.
        Tree->expand(index);
        Tree->setCurrentIndex(QModelIndex());
        Tree->selectionModel()->clear();
    }
    followed_ = index;
    followedSelected_ = select;
    following_ = true;
    Tree->scrollTo(index, select ? QAbstractItemView::PositionAtCenter : QAbstractItemView::PositionAtTop);
    follow_.start();
}

std::string FolderBrowserDialog::SelectedFolder() const {
    QModelIndex index = Tree->currentIndex();
    if (!index.isValid())
        return {};
    return QFile::encodeName(model_->filePath(index)).toStdString();
}

void FolderBrowserDialog::KeepFollowedInView() {
    // The folders around the one opened arrive one listing at a time, sorted later, and push it out of
    // view: keep it in view through every such change until the user takes over the tree.
    follow_.setSingleShot(true);
    follow_.setInterval(0);
    connect(&follow_, &QTimer::timeout, this, [this] {
        if (followed_.isValid())
            Tree->scrollTo(followed_, followedSelected_ ? QAbstractItemView::PositionAtCenter
                                                        : QAbstractItemView::PositionAtTop);
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

    const ScreenPoint at = BrowserPositionOnScreen(x, y, dialog.width(), dialog.height());
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
