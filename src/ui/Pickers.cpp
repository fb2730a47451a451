#include "ui/Pickers.h"

#include <sys/stat.h>

namespace hozonix::ui {

bool Pickers::SelectFolder(const std::string& title, const std::string& initialFolder, int x, int y,
                           std::string& folder) {
    folder.clear();
    std::optional<std::string> chosen = folders_.Browse(title, initialFolder, x, y);
    if (!chosen)
        return false;
    folder = *chosen;
    return true;
}

std::string Pickers::AskOpenFileName(const std::string& title, const std::string& initialPath,
                                     const std::string& defaultExt, const std::string& filter) {
    return Ask(FileDialogKind::Open, title, initialPath, defaultExt, filter);
}

std::string Pickers::AskSaveFileName(const std::string& title, const std::string& initialPath,
                                     const std::string& defaultExt, const std::string& filter) {
    return Ask(FileDialogKind::Save, title, initialPath, defaultExt, filter);
}

const FileDialogSettings& Pickers::Current(FileDialogKind kind) const {
    return kind == FileDialogKind::Open ? open_ : save_;
}

std::string Pickers::Ask(FileDialogKind kind, const std::string& title, const std::string& initialPath,
                         const std::string& defaultExt, const std::string& filter) {
    FileDialogSettings& s = kind == FileDialogKind::Open ? open_ : save_;

    std::string folderPart;
    std::string namePart = initialPath;
    if (size_t slash = initialPath.rfind('/'); slash != std::string::npos) {
        // The root keeps its separator: it is the folder "/" and not an empty folder part.
        folderPart = initialPath.substr(0, slash == 0 ? 1 : slash);
        namePart = initialPath.substr(slash + 1);
    }

    s.Title = title;
    if (!defaultExt.empty())
        s.DefaultExt = defaultExt;
    if (!folderPart.empty())
        s.InitialFolder = folderPart;
    if (!namePart.empty())
        s.FileName = namePart;
    s.Filter = filter;

    std::optional<std::string> chosen = files_.Run(kind, s);
    if (!chosen)
        return {};
    // The dialog keeps the full path as its file name, so the next call offers it again.
    s.FileName = *chosen;
    return *chosen;
}

std::int64_t FileSizeOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        return S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
    if (lstat(path.c_str(), &st) == 0)
        return 0;
    return -1;
}

} // namespace hozonix::ui
