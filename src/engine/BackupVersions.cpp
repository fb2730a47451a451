#include "engine/BackupVersions.h"

#include "base/ScopedFd.h"
#include "engine/DestinationStamp.h"
#include "engine/FileTimes.h"
#include "engine/PathText.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

// The names of a clean path below a folder.
std::vector<std::string> NamesOf(std::string_view below) {
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < below.size()) {
        const std::size_t slash = below.find('/', at);
        const std::size_t end = slash == std::string_view::npos ? below.size() : slash;
        names.emplace_back(below.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

// Nothing the scan collects has a hidden name, so none of those below a destination is a backed-up file.
bool HasHiddenName(std::string_view below) {
    for (const std::string& name : NamesOf(below)) {
        if (name[0] == '.')
            return true;
    }
    return false;
}

// The folder `below` of the folder open as `baseFd`, opened one name at a time without following a
// link; the last one with `flags` (O_PATH, or O_RDONLY to read it).
int OpenFolderBelow(int baseFd, std::string_view below, int flags) {
    ScopedFd fd(openat(baseFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::vector<std::string> names = NamesOf(below);
    for (std::size_t i = 0; i < names.size() && fd.get() >= 0; ++i) {
        const int how = (i + 1 == names.size() ? flags : O_PATH) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        fd.reset(openat(fd.get(), names[i].c_str(), how));
    }
    if (names.empty() && fd.get() >= 0 && flags != O_PATH)
        fd.reset(openat(fd.get(), ".", flags | O_DIRECTORY | O_CLOEXEC));
    return fd.release();
}

int64_t WriteTimeOf(const struct stat& st) {
    return StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

// Adds the regular files below the folder open as `folderFd` (read access), each as `prefix` + its
// path, never entering a link.
void Walk(int folderFd, const std::string& prefix, std::set<std::string>& files,
          const std::atomic<bool>* abort) {
    const int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || (abort != nullptr && abort->load(std::memory_order_relaxed)))
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG) {
            files.insert(prefix + entry->d_name);
        } else if (type == DT_DIR) {
            const ScopedFd child(
                openat(dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (child.get() >= 0)
                Walk(child.get(), prefix + entry->d_name + "/", files, abort);
        }
    }
    closedir(dir);
}

} // namespace

std::optional<std::string> CleanBelowPath(std::string_view path) {
    if (!path.empty() && path[0] == '/')
        return std::nullopt;
    std::string clean;
    for (const std::string& name : NamesOf(path)) {
        if (name.empty() || name == ".")
            continue;
        if (name == "..")
            return std::nullopt;
        if (!clean.empty())
            clean += '/';
        clean += name;
    }
    return clean;
}

BackupTree::BackupTree(const std::string& destination) : destination_(destination) {
    rootFd_ = open(destination.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd_ < 0)
        return;
    historyFd_ = OpenHistoryFolder(rootFd_, false);
    runs_ = ListHistoryRuns(historyFd_);
}

BackupTree::~BackupTree() {
    if (historyFd_ >= 0)
        close(historyFd_);
    if (rootFd_ >= 0)
        close(rootFd_);
}

int BackupTree::OpenRun(std::size_t i) const {
    return openat(historyFd_, runs_[i].name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::vector<BackupVersion> BackupTree::Versions(std::string_view below) const {
    std::vector<BackupVersion> versions;
    if (rootFd_ < 0 || below.empty() || HasHiddenName(below))
        return versions;
    const std::string path(below);
    const std::string folder = FolderOf(path);
    const std::string name = FileNameOf(path);
    const auto look = [&](int baseFd, BackupVersion version) {
        const ScopedFd parent(baseFd < 0 ? -1 : OpenFolderBelow(baseFd, folder, O_PATH));
        struct stat st {};
        if (parent.get() < 0 || fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            return;
        version.size = st.st_size;
        version.writeTime = WriteTimeOf(st);
        versions.push_back(std::move(version));
    };
    look(rootFd_, {});
    for (std::size_t i = runs_.size(); i-- > 0;) {
        const ScopedFd run(OpenRun(i));
        look(run.get(), BackupVersion{runs_[i].name, runs_[i].time, 0, 0});
    }
    return versions;
}

int BackupTree::OpenVersion(std::string_view below, const std::string& run) const {
    ScopedFd base;
    if (!run.empty()) {
        const auto found =
            std::find_if(runs_.begin(), runs_.end(), [&](const HistoryRun& r) { return r.name == run; });
        if (found == runs_.end()) {
            errno = ENOENT;
            return -1;
        }
        base.reset(OpenRun(static_cast<std::size_t>(found - runs_.begin())));
    }
    const std::string path(below);
    const ScopedFd parent(run.empty() || base.get() >= 0
                              ? OpenFolderBelow(run.empty() ? rootFd_ : base.get(), FolderOf(path), O_PATH)
                              : -1);
    if (parent.get() < 0)
        return -1;
    const std::string name = FileNameOf(path);
    // Reading the backup leaves its access times alone where the owner may ask for that.
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = openat(parent.get(), name.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = openat(parent.get(), name.c_str(), flags);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::string BackupTree::VersionPath(std::string_view below, const std::string& run) const {
    if (run.empty())
        return JoinPath(destination_, std::string(below));
    return JoinPath(destination_, std::string(OwnFolderName) + "/" + HistoryFolderName + "/" + run + "/" +
                                      std::string(below));
}

std::vector<std::string> BackupTree::Files(std::string_view below, const std::atomic<bool>* abort) const {
    std::set<std::string> files;
    if (rootFd_ < 0 || HasHiddenName(below))
        return {};
    const std::string path(below);
    const auto collect = [&](int baseFd) {
        if (baseFd < 0)
            return;
        if (path.empty()) {
            Walk(baseFd, "", files, abort);
            return;
        }
        const ScopedFd parent(OpenFolderBelow(baseFd, FolderOf(path), O_PATH));
        struct stat st {};
        if (parent.get() < 0 ||
            fstatat(parent.get(), FileNameOf(path).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISREG(st.st_mode)) {
            files.insert(path);
        } else if (S_ISDIR(st.st_mode)) {
            const ScopedFd folder(OpenFolderBelow(parent.get(), FileNameOf(path), O_RDONLY));
            if (folder.get() >= 0)
                Walk(folder.get(), path + "/", files, abort);
        }
    };
    collect(rootFd_);
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const ScopedFd run(OpenRun(i));
        collect(run.get());
    }
    return {files.begin(), files.end()};
}

const BackupVersion* VersionAsOf(const std::vector<BackupVersion>& versions, std::optional<int64_t> moment) {
    const BackupVersion* found = nullptr;
    if (moment) {
        // Newest first: the last one whose run came after the moment is the oldest such run.
        for (const BackupVersion& version : versions) {
            if (!version.Current() && static_cast<int64_t>(version.replaced) * 1'000'000'000 > *moment)
                found = &version;
        }
    }
    if (found == nullptr && !versions.empty() && versions.front().Current())
        found = &versions.front();
    if (found != nullptr && moment && found->writeTime > *moment)
        return nullptr; // written after the moment: the file was not there yet
    return found;
}

std::vector<BackupEntry> ListBackupFolder(const std::string& destination, std::string_view below) {
    std::vector<BackupEntry> entries;
    if (HasHiddenName(below))
        return entries;
    const ScopedFd root(open(destination.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const int fd = root.get() < 0 ? -1 : OpenFolderBelow(root.get(), below, O_RDONLY);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return entries;
    }
    while (const dirent* entry = readdir(dir)) {
        struct stat st {};
        if (entry->d_name[0] == '.' || fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
            continue;
        entries.push_back(
            {entry->d_name, S_ISDIR(st.st_mode), S_ISREG(st.st_mode) ? st.st_size : 0, WriteTimeOf(st)});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.folder != b.folder ? a.folder : a.name < b.name;
    });
    return entries;
}

} // namespace hozonix::engine
