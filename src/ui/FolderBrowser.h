#pragma once
// The folder browser: a title above a tree of the file system's folders, with the places a user backs
// up to beside it (home, drives, network shares), a status line with the selected path, OK and Cancel.
// It opens at a given screen position and can preselect a folder; without one it opens at the home
// folder. Hidden folders can be shown.

#include "ui/Pickers.h"
#include "ui/Places.h"

#include <QDialog>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>

#include <string>
#include <vector>

class QCheckBox;
class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QTreeView;

namespace hozonix::ui {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Where a browser of size w x h opens for the point (x, y) on a screen of sw x sh: centred when x or y is
// 0, then moved left and up so that it lies on the screen, but never above or left of 0.
ScreenPoint BrowserPosition(int x, int y, int sw, int sh, int w, int h);

class FolderBrowserDialog : public QDialog {
public:
    FolderBrowserDialog(const std::string& title, const std::string& initialFolder,
                        const PlaceSources& places = CurrentPlaceSources(), QWidget* parent = nullptr);

    QLabel* TitleLabel;
    QListWidget* PlacesList;
    QTreeView* Tree;
    QCheckBox* ShowHidden;
    QLabel* StatusLine;
    QDialogButtonBox* Buttons;

    // The selected folder's path (bytes), empty when nothing is selected.
    std::string SelectedFolder() const;
    // The places beside the tree, in the order shown.
    const std::vector<Place>& Places() const { return places_; }
    // The folder the tree was opened at: the initial folder, else its nearest existing parent (selected
    // only when it is the initial folder itself), else home.
    const std::string& StartFolder() const { return startFolder_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SelectionChanged();
    void KeepFollowedInView();
    // Expands the tree down to the folder and scrolls it into view; selects it when asked.
    void OpenAt(const QString& folder, bool select);
    void ShowPlaces();

    std::vector<Place> places_;
    std::string startFolder_;
    QFileSystemModel* model_;
    QTimer follow_;
    QPersistentModelIndex followed_;
    bool followedSelected_ = false;
    bool following_ = false;
};

// Disables every shown, enabled top-level window of the application while it lives.
class OtherWindowsDisabled {
public:
    explicit OtherWindowsDisabled(const QWidget* except);
    ~OtherWindowsDisabled();
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

private:
    std::vector<QPointer<QWidget>> disabled_;
};

// The placement of a browser of size w x h for the point (x, y) on the screen that holds the point (the
// primary screen when none does), by BrowserPosition in that screen's coordinates.
ScreenPoint BrowserPositionOnScreen(int x, int y, int w, int h);

class QtFolderBrowser : public FolderBrowserBackend {
public:
    std::optional<std::string> Browse(const std::string& title, const std::string& initialFolder, int x,
                                      int y) override;
};

} // namespace hozonix::ui
