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

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QListWidgetItem;
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

// What the browser reaches the network through; any part may be left empty.
struct NetworkAccess {
    struct Share {
        std::string name;    // as a person reads it: "photos (nas)"
        std::string address; // "smb://nas/photos"
    };
    // Connects a share address and gives its local folder; raises AppError saying why it cannot.
    std::function<std::string(const std::string& address)> connect;
    // The shares the network offers (servers whose shares cannot be listed come with their address).
    std::function<std::vector<Share>()> discover;
    // Tells the person what went wrong.
    std::function<void(const std::string& text)> tell;
};

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
    // A folder or a share address ("\\\\nas\\photos", "smb://nas/photos") to go to.
    QLineEdit* AddressField;
    QPushButton* GoButton;

    void SetNetwork(NetworkAccess network);
    // Goes to the folder or share typed in the address field, connecting a share first.
    void GoToAddress();
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
    void PlaceChosen(QListWidgetItem* item);
    void ShowNetwork();

    NetworkAccess network_;
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
    void SetNetwork(NetworkAccess network) { network_ = std::move(network); }

private:
    NetworkAccess network_;
};

} // namespace hozonix::ui
