#include "wizard/ProfileWizardFileList.h"

#include <QFile>
#include <QStyle>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hozonix::wizard {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

struct Entry {
    std::string name;
    QString shown;
    bool folder = false;
};

bool IsProgramName(const std::string& name) {
    if (name.size() < 4 || name[name.size() - 4] != '.')
        return false;
    std::string ext = name.substr(name.size() - 3);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "exe" || ext == "com" || ext == "bat" || ext == "pif";
}

std::vector<Entry> ReadEntries(const std::string& folder) {
    std::vector<Entry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return entries;
    bool sawSelf = false;
    bool sawParent = false;
    std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    while (dirent* d = readdir(dir.get())) {
        Entry e;
        e.name = d->d_name;
        sawSelf = sawSelf || e.name == ".";
        sawParent = sawParent || e.name == "..";
        struct stat st {};
        e.folder = stat((base + e.name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back(std::move(e));
    }
    // Every folder shows itself and its parent, also where the file system does not list them.
    if (!sawSelf)
        entries.push_back({".", {}, true});
    if (!sawParent)
        entries.push_back({"..", {}, true});
    for (Entry& e : entries) {
        QString name = QFile::decodeName(QByteArray::fromStdString(e.name));
        e.shown = e.folder ? QLatin1Char('[') + name + QLatin1Char(']') : name;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        int c = QString::compare(a.shown, b.shown, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.shown < b.shown;
    });
    return entries;
}

} // namespace

ProfileWizardFileList::ProfileWizardFileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void ProfileWizardFileList::SetFolder(const std::string& folder) {
    folder_ = folder;
    clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon programIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const Entry& e : ReadEntries(folder)) {
        auto* item = new QListWidgetItem(e.shown);
        item->setIcon(e.folder ? folderIcon : IsProgramName(e.name) ? programIcon : fileIcon);
        item->setData(kNameRole, QByteArray::fromStdString(e.name));
        item->setData(kFolderRole, e.folder);
        item->setSizeHint(QSize(fontMetrics().horizontalAdvance(e.shown) + iconSize().width() + 8, 16));
        addItem(item);
    }
}

std::string ProfileWizardFileList::EntryName(const QListWidgetItem& item) {
    return item.data(kNameRole).toByteArray().toStdString();
}

bool ProfileWizardFileList::IsFolderEntry(const QListWidgetItem& item) {
    return item.data(kFolderRole).toBool();
}

bool IsExistingFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace hozonix::wizard
