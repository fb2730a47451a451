#pragma once
// The folder browser: a title above a tree of the file system's folders, a status line with the
// selected path, OK and Cancel. It opens at a given screen position and can preselect a folder.

#include "ui/Pickers.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <string>
#include <vector>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
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
                        QWidget* parent = nullptr);

    QLabel* TitleLabel;
    QTreeView* Tree;
    QLabel* StatusLine;
    QDialogButtonBox* Buttons;

    // The selected folder's path (bytes), empty when nothing is selected.
    std::string SelectedFolder() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SelectionChanged();
    void FollowSelection();

    QFileSystemModel* model_;
    QTimer follow_;
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

class QtFolderBrowser : public FolderBrowserBackend {
public:
    std::optional<std::string> Browse(const std::string& title, const std::string& initialFolder, int x,
                                      int y) override;
};

} // namespace hozonix::ui
