#pragma once
// The shared routines through which the program asks for a place in the file system: the folder browser
// and the two shared file dialogs (one for opening, one for saving). Windows reach them through a
// Pickers object handed to their constructors; the dialogs themselves sit behind small backends so that
// tests answer them from a script.
//
// Each file dialog keeps its settings between calls: what a call does not set (default extension,
// folder, file name) keeps the previous call's value, and the path chosen last is offered again.

#include <cstdint>
#include <optional>
#include <string>

namespace hozonix::ui {

enum class FileDialogKind { Open, Save };

// What a shared file dialog shows. Paths are byte strings; the filter is "description|pattern|...".
struct FileDialogSettings {
    std::string Title;
    std::string DefaultExt;
    std::string InitialFolder;
    std::string FileName;
    std::string Filter;
};

class FileDialogBackend {
public:
    virtual ~FileDialogBackend() = default;
    // Runs the dialog of that kind modally; the chosen full path, or nothing when cancelled.
    virtual std::optional<std::string> Run(FileDialogKind kind, const FileDialogSettings& settings) = 0;
};

class FolderBrowserBackend {
public:
    virtual ~FolderBrowserBackend() = default;
    // Shows the browser with `title` above the folder tree, `initialFolder` preselected (when longer
    // than one character), its top-left corner at (x, y) by the placement rule, every other window of
    // the application disabled. The chosen folder, or nothing when cancelled.
    virtual std::optional<std::string> Browse(const std::string& title, const std::string& initialFolder,
                                              int x, int y) = 0;
};

class Pickers {
public:
    Pickers(FileDialogBackend& files, FolderBrowserBackend& folders) : files_(files), folders_(folders) {}

    // True and the chosen folder when the user confirmed one; false and an empty path otherwise.
    bool SelectFolder(const std::string& title, const std::string& initialFolder, int x, int y,
                      std::string& folder);

    // The chosen full path, or empty when the user cancelled. `initialPath` may be empty; `defaultExt`
    // comes without the dot and may be empty.
    std::string AskOpenFileName(const std::string& title, const std::string& initialPath,
                                const std::string& defaultExt, const std::string& filter);
    std::string AskSaveFileName(const std::string& title, const std::string& initialPath,
                                const std::string& defaultExt, const std::string& filter);

    // What the dialog of that kind will offer next (empty settings before its first use).
    const FileDialogSettings& Current(FileDialogKind kind) const;

private:
    std::string Ask(FileDialogKind kind, const std::string& title, const std::string& initialPath,
                    const std::string& defaultExt, const std::string& filter);

    FileDialogBackend& files_;
    FolderBrowserBackend& folders_;
    FileDialogSettings open_;
    FileDialogSettings save_;
};

// The size in bytes of the file (or folder, or other entry) at `path`, -1 when there is none. A folder,
// like any entry that is not a regular file, counts 0. Links are followed; a dangling link counts 0.
std::int64_t FileSizeOf(const std::string& path);

} // namespace hozonix::ui
