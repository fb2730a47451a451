#pragma once
// A file pane of the wizard: every entry of one folder, hidden ones too, sub-folders in square brackets
// (the folder itself as "[.]", its parent as "[..]"), sorted by the text shown, each with a small icon.

#include <QListWidget>

#include <string>

namespace hozonix::wizard {

class ProfileWizardFileList : public QListWidget {
public:
    explicit ProfileWizardFileList(QWidget* parent = nullptr);

    // Lists `folder` (a byte path) anew. Entries that cannot be read leave the pane empty.
    void SetFolder(const std::string& folder);
    const std::string& Folder() const { return folder_; }

    // The entry's name as stored on disk (bytes), and whether it is a sub-folder entry.
    static std::string EntryName(const QListWidgetItem& item);
    static bool IsFolderEntry(const QListWidgetItem& item);

private:
    std::string folder_;
};

// True when `path` names an existing folder (links followed).
bool IsExistingFolder(const std::string& path);

// The process's current folder, where a pane looks before it is first given one.
std::string CurrentFolder();

} // namespace hozonix::wizard
