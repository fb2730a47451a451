#include "restore/RestoreWindow.h"

#include "base/MessageBoxService.h"
#include "engine/BackupVersions.h"
#include "engine/DestinationLock.h"
#include "profiles/ProfileDestination.h"
#include "settings/ProfileList.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/QtRunHost.h"
#include "ui/UiServices.h"
#include "ui/WindowThreadPrompt.h"
#include "ui/WorkerRunHost.h"
#include "ui/WorkerThread.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace hozonix::restore {

namespace {

constexpr int PathRole = Qt::UserRole;       // the path below the destination, as bytes
constexpr int LoadedRole = Qt::UserRole + 1; // a folder whose entries are in the tree
constexpr int FolderRole = Qt::UserRole + 2;
constexpr int MomentRole = Qt::UserRole; // of a version row: the moment it stands for (seconds)
constexpr int64_t Second = 1'000'000'000;

QString Text(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QVariant& value) {
    const QByteArray a = value.toByteArray();
    return std::string(a.constData(), static_cast<std::size_t>(a.size()));
}

QString TimeText(int64_t nanoseconds) {
    return QDateTime::fromMSecsSinceEpoch(nanoseconds / 1'000'000)
        .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString SizeText(int64_t size) {
    return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(size)) + QStringLiteral(" バイト");
}

} // namespace

RestoreWindow::RestoreWindow(RestoreWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
    setObjectName("RestoreWindow");
    setWindowTitle(QStringLiteral("復元"));
    BuildControls();
    runHost_ = std::make_unique<ui::QtRunHost>(*statusPanel_, progressBar_, services_.Ui.ProcessDialog(),
                                               services_.Ui.Messages());
    resize(720, 440);
}

RestoreWindow::~RestoreWindow() = default;

void RestoreWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("保存プロファイル"), this));
    profileChoice_ = new QComboBox(this);
    profileChoice_->setObjectName("ProfileChoice");
    top->addWidget(profileChoice_, 1);
    connectButton_ = new QPushButton(QStringLiteral("接続して表示"), this);
    connectButton_->setObjectName("ConnectButton");
    connectButton_->hide(); // for a backup on a share
    top->addWidget(connectButton_);
    layout->addLayout(top);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("BackupTree");
    tree_->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("サイズ"), QStringLiteral("更新日時")});
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    tree_->setMinimumHeight(80); // so that the window fits below the main window on a small screen
    layout->addWidget(tree_, 3);

    layout->addWidget(new QLabel(QStringLiteral("選んだファイルの版"), this));
    versions_ = new QTreeWidget(this);
    versions_->setObjectName("VersionList");
    versions_->setRootIsDecorated(false);
    versions_->setHeaderLabels({QStringLiteral("版"), QStringLiteral("サイズ"), QStringLiteral("更新日時")});
    versions_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    versions_->header()->setStretchLastSection(false);
    versions_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    versions_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    versions_->setMinimumHeight(60);
    layout->addWidget(versions_, 1);

    auto* options = new QGridLayout;
    options->addWidget(new QLabel(QStringLiteral("復元する時点"), this), 0, 0);
    latestBox_ = new QCheckBox(QStringLiteral("最新"), this);
    latestBox_->setObjectName("LatestBox");
    latestBox_->setChecked(true);
    options->addWidget(latestBox_, 0, 1);
    momentEdit_ = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    momentEdit_->setObjectName("MomentEdit");
    momentEdit_->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    momentEdit_->setCalendarPopup(true);
    momentEdit_->setEnabled(false);
    options->addWidget(momentEdit_, 0, 2, 1, 2);

    options->addWidget(new QLabel(QStringLiteral("復元先"), this), 1, 0);
    originalButton_ = new QRadioButton(QStringLiteral("元の場所"), this);
    originalButton_->setObjectName("OriginalPlace");
    originalButton_->setChecked(true);
    otherButton_ = new QRadioButton(QStringLiteral("別のフォルダ"), this);
    otherButton_->setObjectName("OtherFolder");
    options->addWidget(originalButton_, 1, 1);
    options->addWidget(otherButton_, 2, 1);
    folderField_ = new QLineEdit(this);
    folderField_->setObjectName("FolderField");
    folderField_->setEnabled(false);
    options->addWidget(folderField_, 2, 2);
    browseButton_ = new QPushButton(QStringLiteral("参照..."), this);
    browseButton_->setObjectName("BrowseButton");
    browseButton_->setEnabled(false);
    options->addWidget(browseButton_, 2, 3);
    options->setColumnStretch(2, 1);
    layout->addLayout(options);

    auto* bottom = new QHBoxLayout;
    statusPanel_ = new QLabel(this);
    statusPanel_->setObjectName("StatusPanel");
    bottom->addWidget(statusPanel_, 1);
    progressBar_ = new QProgressBar(this);
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedWidth(120);
    progressBar_->hide(); // shown while files are restored
    bottom->addWidget(progressBar_);
    restoreButton_ = new QPushButton(QStringLiteral("復元"), this);
    restoreButton_->setObjectName("RestoreButton");
    closeButton_ = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton_->setObjectName("CloseButton");
    bottom->addWidget(restoreButton_);
    bottom->addWidget(closeButton_);
    layout->addLayout(bottom);

    connect(profileChoice_, &QComboBox::currentIndexChanged, this, [this](int i) { ShowProfile(i); });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!item->data(0, LoadedRole).toBool())
            AddEntries(item, Bytes(item->data(0, PathRole)));
    });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { ShowVersions(item); });
    connect(versions_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* row, int) { ChooseVersion(row); });
    connect(latestBox_, &QCheckBox::toggled, this, [this](bool latest) { momentEdit_->setEnabled(!latest); });
    connect(otherButton_, &QRadioButton::toggled, this, [this](bool other) {
        folderField_->setEnabled(other);
        browseButton_->setEnabled(other);
    });
    connect(browseButton_, &QPushButton::clicked, this,
            [this] { ui::RunCommand(services_.Ui.Messages(), [this] { BrowseFolder(); }); });
    connect(restoreButton_, &QPushButton::clicked, this, [this] { Restore(); });
    connect(connectButton_, &QPushButton::clicked, this,
            [this] { ui::RunCommand(services_.Ui.Messages(), [this] { ConnectShare(); }); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { close(); });
}

void RestoreWindow::Reload(int index) {
    const QSignalBlocker block(profileChoice_);
    profileChoice_->clear();
    for (const std::string& name : services_.Profiles.ProfileNames)
        profileChoice_->addItem(Text(name));
    const int count = profileChoice_->count();
    const int shown = index >= 0 && index < count ? index : 0;
    profileChoice_->setCurrentIndex(count > 0 ? shown : -1);
    ShowProfile(count > 0 ? shown : -1);
}

void RestoreWindow::ShowProfile(int index) {
    DisconnectShare();
    tree_->clear();
    versions_->clear();
    destination_.clear();
    statusPanel_->clear();
    connectButton_->hide();
    if (index < 0 || static_cast<std::size_t>(index) >= services_.Profiles.ProfileDetails.size())
        return;
    const ProfileDetail detail =
        SplitDetailLine(services_.Profiles.ProfileDetails[static_cast<std::size_t>(index)]);
    if (detail.DestinationFolder.empty() || detail.DestinationFolder[0] != '/') {
        // The share is connected only while a restore runs: everything is offered as one entry.
        auto* all = new QTreeWidgetItem(tree_, {QStringLiteral("（すべてのファイル）")});
        all->setFlags(all->flags() | Qt::ItemIsUserCheckable);
        all->setCheckState(0, Qt::Unchecked);
        all->setData(0, PathRole, QByteArray());
        statusPanel_->setText(
            QStringLiteral("共有フォルダのバックアップです。中を見るには［接続して表示］を押してください"));
        connectButton_->show();
        return;
    }
    destination_ = detail.DestinationFolder;
    AddEntries(nullptr, "");
    if (tree_->topLevelItemCount() == 0)
        statusPanel_->setText(QStringLiteral("バックアップにファイルがありません: ") + Text(destination_));
}

void RestoreWindow::ConnectShare() {
    const int index = profileChoice_->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= services_.Profiles.ProfileDetails.size())
        return;
    const std::string typed =
        SplitDetailLine(services_.Profiles.ProfileDetails[static_cast<std::size_t>(index)]).DestinationFolder;
    // Connected off the window's thread, the log-on asked on it, as for a restore.
    ui::WorkerRunHost host(*runHost_);
    ui::WindowThreadPrompt prompt(host, services_.Ui.SharePrompt());
    profiles::ConnectedDestination connected;
    bool done = false;
    OnWorkerThread(host, false, [&] {
        done = profiles::ConnectProfileDestination(typed, services_.Connect, &prompt, true, host, connected);
    });
    if (!done)
        return;
    share_ = std::move(connected.share);
    destination_ = connected.folder;
    connectButton_->hide();
    statusPanel_->clear();
    tree_->clear();
    AddEntries(nullptr, "");
    if (tree_->topLevelItemCount() == 0)
        statusPanel_->setText(QStringLiteral("バックアップにファイルがありません: ") + Text(typed));
}

void RestoreWindow::OnWorkerThread(ui::WorkerRunHost& host, bool restoring,
                                   const std::function<void()>& work) {
    // Whatever ends the work, the window shows its last outputs and takes commands again.
    struct End {
        RestoreWindow& w;
        ui::WorkerRunHost& host;
        bool restoring;
        ~End() {
            host.Show();
            w.runHost_->EndRun();
            w.setEnabled(true);
            if (!restoring)
                return;
            w.runHost_->HideProcessDialog();
            w.progressBar_->hide();
            if (w.services_.Busy)
                w.services_.Busy(false);
        }
    } end{*this, host, restoring};
    if (restoring) {
        if (services_.Busy)
            services_.Busy(true);
        progressBar_->show();
    }
    setEnabled(false);
    runHost_->BeginRun([&host] { host.RequestAbort(); });
    ui::RunOnWorkerThread(work);
}

void RestoreWindow::DisconnectShare() {
    if (!share_)
        return;
    std::string why;
    if (!share_->Disconnect(&why) && !why.empty())
        services_.Ui.Messages().ShowMessage(why);
    share_.reset();
}

void RestoreWindow::closeEvent(QCloseEvent* event) {
    DisconnectShare();
    ShowProfile(profileChoice_->currentIndex()); // opened again as it was first shown
    QWidget::closeEvent(event);
}

void RestoreWindow::AddEntries(QTreeWidgetItem* parent, const std::string& below) {
    if (parent != nullptr)
        parent->setData(0, LoadedRole, true);
    // Entries added below a ticked folder are ticked with it.
    const Qt::CheckState state = parent != nullptr ? parent->checkState(0) : Qt::Unchecked;
    for (const engine::BackupEntry& entry : engine::ListBackupFolder(destination_, below)) {
        const std::string path = below.empty() ? entry.name : below + "/" + entry.name;
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setText(0, Text(entry.name));
        item->setData(0, PathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable |
                       (entry.folder ? Qt::ItemIsAutoTristate : Qt::NoItemFlags));
        item->setCheckState(0, state == Qt::Checked ? Qt::Checked : Qt::Unchecked);
        if (entry.folder) {
            item->setData(0, FolderRole, true);
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        } else {
            item->setText(1, SizeText(entry.size));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setText(2, TimeText(entry.writeTime));
        }
    }
    if (parent != nullptr && parent->childCount() == 0)
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void RestoreWindow::ShowVersions(QTreeWidgetItem* item) {
    versions_->clear();
    if (item == nullptr || destination_.empty() || item->data(0, FolderRole).toBool())
        return;
    const engine::BackupTree backup(destination_);
    for (const engine::BackupVersion& version : backup.Versions(Bytes(item->data(0, PathRole)))) {
        const QString name = version.Current() ? QStringLiteral("現在のコピー")
                                               : TimeText(static_cast<int64_t>(version.replaced) * Second) +
                                                     QStringLiteral(" までの版");
        auto* row =
            new QTreeWidgetItem(versions_, {name, SizeText(version.size), TimeText(version.writeTime)});
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // An earlier version was in place until the second before the run that replaced it.
        row->setData(0, MomentRole,
                     version.Current() ? QVariant() : QVariant(static_cast<qlonglong>(version.replaced) - 1));
    }
}

void RestoreWindow::ChooseVersion(QTreeWidgetItem* row) {
    const QVariant moment = row->data(0, MomentRole);
    latestBox_->setChecked(!moment.isValid());
    if (moment.isValid())
        momentEdit_->setDateTime(QDateTime::fromSecsSinceEpoch(moment.toLongLong()));
}

std::vector<std::string> RestoreWindow::TickedPaths() const {
    std::vector<std::string> paths;
    std::vector<QTreeWidgetItem*> open;
    for (int i = tree_->topLevelItemCount(); i-- > 0;)
        open.push_back(tree_->topLevelItem(i));
    while (!open.empty()) {
        QTreeWidgetItem* item = open.back();
        open.pop_back();
        if (item->checkState(0) == Qt::Checked) {
            paths.push_back(Bytes(item->data(0, PathRole)));
        } else if (item->checkState(0) == Qt::PartiallyChecked) {
            for (int i = item->childCount(); i-- > 0;)
                open.push_back(item->child(i));
        }
    }
    return paths;
}

std::optional<int64_t> RestoreWindow::Moment() const {
    if (latestBox_->isChecked())
        return std::nullopt;
    return momentEdit_->dateTime().toSecsSinceEpoch() * Second + (Second - 1);
}

std::string RestoreWindow::ChosenFolder() const {
    const QString typed = folderField_->text();
    // A folder chosen in the browser keeps its bytes, whatever its name shows as.
    if (!browsed_.empty() && typed == Text(browsed_))
        return browsed_;
    const QByteArray bytes = typed.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void RestoreWindow::BrowseFolder() {
    std::string folder;
    const QPoint at = mapToGlobal(QPoint(0, 0));
    if (!services_.Ui.FilePickers().SelectFolder("復元先のフォルダを選んでください", ChosenFolder(), at.x(),
                                                 at.y(), folder))
        return;
    browsed_ = folder;
    folderField_->setText(Text(folder));
}

void RestoreWindow::Restore() {
    ui::RunCommand(services_.Ui.Messages(), [this] { RunRestore(); });
}

void RestoreWindow::RunRestore() {
    MessageBoxService& messages = services_.Ui.Messages();
    const int index = profileChoice_->currentIndex();
    if (index < 0)
        return;
    profiles::RestoreChoices choices;
    choices.paths = TickedPaths();
    if (choices.paths.empty()) {
        messages.ShowMessage("復元するファイルかフォルダをチェックしてください");
        return;
    }
    choices.asOf = Moment();
    if (otherButton_->isChecked()) {
        choices.target = ChosenFolder();
        if (choices.target.empty()) {
            messages.ShowMessage("復元先のフォルダを指定してください");
            return;
        }
    }
    choices.tellConnecting = true;
    choices.connect = services_.Connect;
    choices.markFolder = services_.MarkFolder;

    ui::WorkerRunHost host(*runHost_);
    ui::WindowThreadPrompt prompt(host, services_.Ui.SharePrompt());
    choices.prompt = &prompt;
    choices.replaceNewer = [&](const std::string& target, int64_t targetTime, int64_t versionTime) {
        return host.OnWindowThread([&] {
            const std::string text = "復元先のファイルのほうが、復元する版より新しくなっています。\r\n"
                                     "置き換えますか？（今のファイルは別名で残します）\r\n\r\n" +
                                     target + "\r\n復元先の更新日時＝" + TimeText(targetTime).toStdString() +
                                     "\r\n復元する版の更新日時＝" + TimeText(versionTime).toStdString();
            return messages.Show(MessageKind::Confirmation, text, YesButton | NoButton) == MessageButton::Yes;
        });
    };
    profiles::RestoreOutcome outcome;
    try {
        OnWorkerThread(host, true, [&] {
            profiles::RestoreStoredProfile(services_.Profiles, index, choices, host, outcome);
        });
    } catch (const engine::DestinationBusyError& e) {
        messages.ShowMessage(e.what());
        return;
    }
    if (!outcome.notConnected)
        ShowResult(outcome);
    if (!outcome.disconnectError.empty())
        messages.ShowMessage(outcome.disconnectError);
}

void RestoreWindow::ShowResult(const profiles::RestoreOutcome& outcome) {
    const engine::RestoreResult& r = outcome.result;
    std::vector<std::string> lines;
    for (const std::string& path : r.Restored)
        lines.push_back("復元しました： " + path);
    for (const std::string& path : r.KeptAside)
        lines.push_back("元のファイルを別名で残しました： " + path);
    for (const engine::RestoreItem& item : r.Skipped)
        lines.push_back("復元しませんでした： " + item.path + "（" + item.reason + "）");
    for (const engine::RestoreItem& item : r.Failed)
        lines.push_back("復元できませんでした： " + item.path + "（" + item.reason + "）");
    if (r.Unchanged > 0)
        lines.push_back("復元先ですでに同じだったファイル： " + std::to_string(r.Unchanged));
    if (r.MadeCurrent > 0)
        lines.push_back("バックアップの最新のコピーも復元した版にしたファイル： " +
                        std::to_string(r.MadeCurrent) + "（それまでのコピーは以前の版として残しています）");
    if (r.Stopped)
        lines.push_back("復元を中止しました");
    if (lines.empty()) {
        services_.Ui.Messages().ShowMessage("その時点で復元するファイルはありませんでした");
        return;
    }
    services_.Ui.MessageList().ShowMessageList("復元の結果", lines);
}

} // namespace hozonix::restore
