#pragma once
// The restore window: files and folders of a profile's backup ticked in its tree, the versions of the
// file in hand, the moment to restore as of (the latest copies unless one is chosen) and where the files
// go, the original place or another folder. The restore runs on a worker thread like a backup run, with
// the processing dialog and its 中止 button; the question before a newer file is replaced goes through
// the message-box service, and what was done shows in the message list.

#include "profiles/StoredProfileRestore.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace hozonix {
struct ProfileList;
}

namespace hozonix::ui {
class QtRunHost;
class UiServices;
class WorkerRunHost;
} // namespace hozonix::ui

namespace hozonix::restore {

// What the window works with. The references must outlive the window.
struct RestoreWindowServices {
    RestoreWindowServices(const ProfileList& profiles, ui::UiServices& ui) : Profiles(profiles), Ui(ui) {}

    const ProfileList& Profiles;
    ui::UiServices& Ui;
    // Keeps the main window's commands out of the way while a restore runs (true), and lets them back.
    std::function<void(bool busy)> Busy;
    // Connects a destination typed as a share address; null: through GVfs. Called on the worker thread.
    profiles::ConnectFn Connect;
    // Where a restore under way is recorded; empty: not recorded.
    std::string MarkFolder;
};

// A QObject of its own kind, so that the main window finds its one restore window among its children.
class RestoreWindow : public QWidget {
    Q_OBJECT

public:
    explicit RestoreWindow(RestoreWindowServices services, QWidget* parent = nullptr);
    ~RestoreWindow() override;

    // Fills the profile choice from the list again and shows the backup of profile `index` (or the
    // first one).
    void Reload(int index);

    // The ticked entries as paths below the destination; a ticked folder stands for all below it.
    std::vector<std::string> TickedPaths() const;
    // The moment chosen, as the last nanosecond of its second; none: the latest copies.
    std::optional<int64_t> Moment() const;
    // The 復元 button.
    void Restore();

    QComboBox* ProfileChoice() const { return profileChoice_; }
    QTreeWidget* Tree() const { return tree_; }
    QTreeWidget* Versions() const { return versions_; }
    QCheckBox* LatestBox() const { return latestBox_; }
    QDateTimeEdit* MomentEdit() const { return momentEdit_; }
    QRadioButton* OriginalPlaceButton() const { return originalButton_; }
    QRadioButton* OtherFolderButton() const { return otherButton_; }
    QLineEdit* FolderField() const { return folderField_; }
    QPushButton* BrowseButton() const { return browseButton_; }
    QPushButton* RestoreButton() const { return restoreButton_; }
    QPushButton* CloseButton() const { return closeButton_; }
    QPushButton* ConnectButton() const { return connectButton_; }
    QLabel* StatusPanel() const { return statusPanel_; }

private:
    void BuildControls();
    void ShowProfile(int index);
    // The 接続 button of a backup on a share: connects it and shows its tree until another profile is
    // chosen or the window closes.
    void ConnectShare();
    // Runs `work` off the window's thread with the window disabled meanwhile; while `restoring` the main
    // window is kept busy too and the progress bar shown.
    void OnWorkerThread(ui::WorkerRunHost& host, bool restoring, const std::function<void()>& work);
    void DisconnectShare();
    void closeEvent(QCloseEvent* event) override;
    // Adds the entries of the backup's folder `below` under `parent` (null: at the top), once.
    void AddEntries(QTreeWidgetItem* parent, const std::string& below);
    void ShowVersions(QTreeWidgetItem* item);
    void ChooseVersion(QTreeWidgetItem* row);
    void BrowseFolder();
    void RunRestore();
    void ShowResult(const profiles::RestoreOutcome& outcome);
    std::string ChosenFolder() const;

    RestoreWindowServices services_;
    std::unique_ptr<ui::QtRunHost> runHost_;
    std::string destination_; // the local folder of the backup shown; "" for a share not connected
    std::unique_ptr<shares::ConnectedShare> share_; // the share connected to show its backup
    std::string browsed_;                           // the folder last chosen in the browser, as bytes

    QComboBox* profileChoice_;
    QTreeWidget* tree_;
    QTreeWidget* versions_;
    QCheckBox* latestBox_;
    QDateTimeEdit* momentEdit_;
    QRadioButton* originalButton_;
    QRadioButton* otherButton_;
    QLineEdit* folderField_;
    QPushButton* browseButton_;
    QPushButton* restoreButton_;
    QPushButton* closeButton_;
    QPushButton* connectButton_;
    QLabel* statusPanel_;
    QProgressBar* progressBar_;
};

} // namespace hozonix::restore
