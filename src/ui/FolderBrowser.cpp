#include "ui/FolderBrowser.h"

#include "ui/JapaneseFonts.h"

#include "shares/ShareAddress.h"

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
#include <QLineEdit>
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

    AddressField = new QLineEdit;
    AddressField->setPlaceholderText(
        QStringLiteral("\\\\サーバー\\共有フォルダ または smb://サーバー/共有フォルダ"));
    GoButton = new QPushButton(QStringLiteral("移動(&G)"));
    GoButton->setAutoDefault(false);
    auto* addressLabel = new QLabel(QStringLiteral("アドレス(&A):"));
    addressLabel->setBuddy(AddressField);
    connect(GoButton, &QPushButton::clicked, this, [this] { GoToAddress(); });
    connect(AddressField, &QLineEdit::returnPressed, this, [this] { GoToAddress(); });

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* browse = new QHBoxLayout;
    browse->addWidget(PlacesList);
    browse->addWidget(Tree, 1);
    auto* address = new QHBoxLayout;
    address->addWidget(addressLabel);
    address->addWidget(AddressField, 1);
    address->addWidget(GoButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TitleLabel);
    layout->addLayout(address);
    layout->addLayout(browse, 1);
    layout->addWidget(ShowHidden);
    layout->addWidget(StatusLine);
    layout->addWidget(Buttons);

    connect(Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { SelectionChanged(); });
    connect(PlacesList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { PlaceChosen(item); });
    connect(PlacesList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { PlaceChosen(item); });

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

namespace {

// Item data of the places that are no folder.
const QString NetworkPlace = QStringLiteral("network:");
constexpr int AddressRole = Qt::UserRole + 1;

} // namespace

void FolderBrowserDialog::SetNetwork(NetworkAccess network) {
    network_ = std::move(network);
    if (network_.discover) {
        auto* item = new QListWidgetItem(QIcon::fromTheme(QStringLiteral("network-workgroup"),
                                                          style()->standardIcon(QStyle::SP_DriveNetIcon)),
                                         QStringLiteral("ネットワーク"), PlacesList);
        item->setData(Qt::UserRole, NetworkPlace);
        item->setToolTip(QStringLiteral("ネットワーク上のサーバーと共有フォルダを探します"));
    }
}

void FolderBrowserDialog::PlaceChosen(QListWidgetItem* item) {
    const QString address = item->data(AddressRole).toString();
    if (!address.isEmpty()) {
        AddressField->setText(address);
        GoToAddress();
        return;
    }
    const QString path = item->data(Qt::UserRole).toString();
    if (path == NetworkPlace) {
        ShowNetwork();
        return;
    }
    OpenAt(path, true);
}

void FolderBrowserDialog::ShowNetwork() {
    // Found anew on each visit: what the network offers changes while the browser is open.
    for (int row = PlacesList->count() - 1; row >= 0; --row) {
        if (!PlacesList->item(row)->data(AddressRole).toString().isEmpty())
            delete PlacesList->takeItem(row);
    }
    StatusLine->setText(QStringLiteral("ネットワークを探しています..."));
    StatusLine->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<NetworkAccess::Share> shares;
    try {
        shares = network_.discover();
    } catch (const std::exception& e) {
        if (network_.tell)
            network_.tell(e.what());
    }
    QApplication::restoreOverrideCursor();
    for (const NetworkAccess::Share& share : shares) {
        auto* item = new QListWidgetItem(
            QIcon::fromTheme(QStringLiteral("folder-remote"), style()->standardIcon(QStyle::SP_DriveNetIcon)),
            QStringLiteral("  ") + QString::fromStdString(share.name), PlacesList);
        item->setData(AddressRole, QString::fromStdString(share.address));
        item->setToolTip(QString::fromStdString(share.address));
    }
    StatusLine->setText(
        shares.empty()
            ? QStringLiteral("ネットワーク上に共有フォルダが見つかりません。アドレスを入力してください")
            : QString());
}

void FolderBrowserDialog::GoToAddress() {
    const QString typed = AddressField->text().trimmed();
    if (typed.isEmpty())
        return;
    const std::string text = typed.toStdString();
    if (shares::LooksLikeShareAddress(text)) {
        if (!network_.connect) {
            if (network_.tell)
                network_.tell("ネットワークの共有フォルダには接続できません");
            return;
        }
        std::string local;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            local = network_.connect(text);
        } catch (const std::exception& e) {
            QApplication::restoreOverrideCursor();
            if (network_.tell)
                network_.tell(e.what());
            return;
        }
        QApplication::restoreOverrideCursor();
        OpenAt(QFile::decodeName(QByteArray::fromStdString(local)), true);
        return;
    }
    if (QFileInfo(typed).isDir())
        OpenAt(typed, true);
    else if (network_.tell)
        network_.tell(text + " というフォルダはありません");
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
    dialog.SetNetwork(network_);
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
