#include "engine/FolderCache.h"

#include "engine/FileMetadata.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

std::string WithoutTrailingSlashes(const std::string& path) {
    const auto end = path.find_last_not_of('/');
    return end == std::string::npos ? path.substr(0, 1) : path.substr(0, end + 1);
}

// The names of `folder` below `root`, or false when it does not lie there.
bool NamesBelow(const std::string& root, const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    if (folder.compare(0, root.size(), root) != 0)
        return false;
    if (folder.size() > root.size() && root != "/" && folder[root.size()] != '/')
        return false;
    std::size_t at = root.size();
    while (at < folder.size()) {
        const std::size_t slash = folder.find('/', at);
        const std::size_t end = slash == std::string::npos ? folder.size() : slash;
        if (end > at)
            names.emplace_back(folder, at, end - at);
        at = end + 1;
    }
    return true;
}

} // namespace

FolderCache::FolderCache(const std::string& root, bool create, Links links, const std::string& modesFrom)
    : root_(WithoutTrailingSlashes(root)), create_(create), links_(links), modesFrom_(modesFrom) {
    rootFd_ = open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    rootError_ = rootFd_ < 0 ? errno : 0;
    if (create_ && rootFd_ >= 0)
        RememberDevice(rootFd_);
}

FolderCache::~FolderCache() {
    CloseFrom(0);
    if (rootFd_ >= 0)
        close(rootFd_);
    if (modesFromFd_ >= 0)
        close(modesFromFd_);
    for (const int fd : syncFds_)
        close(fd);
}

void FolderCache::RememberDevice(int folderFd) {
    struct stat st {};
    if (fstat(folderFd, &st) != 0 || std::find(devices_.begin(), devices_.end(), st.st_dev) != devices_.end())
        return;
    // syncfs reports the write errors seen since its descriptor was opened: open it before any write.
    const int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    devices_.push_back(st.st_dev);
    syncFds_.push_back(fd);
}

int FolderCache::Sync() const {
    for (const int fd : syncFds_) {
        if (syncfs(fd) != 0)
            return errno;
    }
    return 0;
}

void FolderCache::CloseFrom(std::size_t depth) {
    while (fds_.size() > depth) {
        close(fds_.back());
        fds_.pop_back();
        names_.pop_back();
    }
}

int FolderCache::Descend(const std::string& name) {
    const int parent = fds_.empty() ? rootFd_ : fds_.back();
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC | (links_ == Links::Refuse ? O_NOFOLLOW : 0);
    int fd = openat(parent, name.c_str(), flags);
    if (fd < 0 && errno == ENOENT && create_) {
        if (mkdirat(parent, name.c_str(), modesFrom_.empty() ? 0777 : 0700) == 0) {
            fresh_ = true;
            createdAny_ = true;
            if (!modesFrom_.empty())
                GiveSourceMode(parent, name);
        } else if (errno != EEXIST) {
            return -1;
        }
        fd = openat(parent, name.c_str(), flags);
    }
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        // O_NOFOLLOW with O_DIRECTORY reports a link as "not a folder": tell the two apart.
        errno = err == ENOTDIR && fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISLNK(st.st_mode)
                    ? ELOOP
                    : err;
        return -1;
    }
    if (create_)
        RememberDevice(fd);
    fds_.push_back(fd);
    names_.push_back(name);
    return fd;
}

void FolderCache::GiveSourceMode(int parent, const std::string& name) {
    if (modesFromFd_ < 0)
        modesFromFd_ = open(modesFrom_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::string relative;
    for (const std::string& above : names_)
        relative += above + "/";
    relative += name;
    struct stat source {};
    if (modesFromFd_ < 0 || fstatat(modesFromFd_, relative.c_str(), &source, 0) != 0 ||
        !S_ISDIR(source.st_mode))
        return;
    // Through a descriptor of the folder itself: a chmod by name would follow a link put in its place.
    const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    fchmod(fd, FolderModeFor(source.st_mode));
    close(fd);
}

int FolderCache::Open(const std::string& folder) {
    if (folder == folder_ && (open_ || error_ != 0)) // asked again for the files of one folder
        return open_ ? (fds_.empty() ? rootFd_ : fds_.back()) : -1;
    open_ = false;
    folder_ = folder;
    fresh_ = false;
    error_ = 0;
    if (rootFd_ < 0) {
        error_ = rootError_;
        return -1;
    }
    std::vector<std::string> names;
    if (!NamesBelow(root_, folder, names)) {
        error_ = EINVAL;
        return -1;
    }
    std::size_t common = 0;
    while (common < names.size() && common < names_.size() && names[common] == names_[common])
        ++common;
    CloseFrom(common);
    for (std::size_t i = common; i < names.size(); ++i) {
        fresh_ = false; // only the folder itself counts
        if (Descend(names[i]) < 0) {
            error_ = errno;
            fresh_ = false;
            return -1;
        }
    }
    open_ = true;
    return fds_.empty() ? rootFd_ : fds_.back();
}

int64_t TimeResolutionOf(const std::string& folder) {
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) != 0)
        return 1;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44: // FAT
        return 2'000'000'000;
    case 0x2011BAB0: // exFAT
        return 10'000'000;
    case 0x65735546: // FUSE: sshfs and the like keep whole seconds
        return 1'000'000'000;
    case 0x5346544e: // NTFS
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x517B:     // SMB
        return 100;
    default:
        return 1;
    }
}

namespace {

// The source time as a file system of that resolution keeps it.
int64_t Truncated(int64_t source, int64_t resolution) {
    int64_t floor = source / resolution * resolution;
    if (floor > source)
        floor -= resolution;
    return floor;
}

} // namespace

bool IsUpToDate(int64_t destination, int64_t source, int64_t resolution) {
    if (destination >= source)
        return true;
    return resolution > 1 && destination == Truncated(source, resolution);
}

bool IsCopyUpToDate(int64_t destinationTime, int64_t destinationSize, int64_t sourceTime, int64_t sourceSize,
                    int64_t resolution) {
    return destinationSize == sourceSize && IsUpToDate(destinationTime, sourceTime, resolution);
}

bool TimeKept(int64_t kept, int64_t set, int64_t resolution) {
    if (kept == set || resolution <= 1)
        return kept == set;
    const int64_t floor = Truncated(set, resolution);
    return kept == floor || kept == floor + resolution;
}

} // namespace hozonix::engine
