#include "FolderCache.h"

#include "PathText.h"

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

} // namespace

FolderCache::FolderCache(const std::string& root, bool create)
    : root_(WithoutTrailingSlashes(root)), create_(create) {}

FolderCache::~FolderCache() {
    if (fd_ >= 0)
        close(fd_);
}

int FolderCache::Open(const std::string& folder) {
    if (folder == folder_ && fd_ >= 0)
        return fd_;
    if (fd_ >= 0)
        close(fd_);
    folder_ = folder;
    fresh_ = false;
    fd_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0 && errno == ENOENT && create_ && MakeFolders(folder)) {
        fresh_ = true;
        fd_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    return fd_;
}

bool FolderCache::MakeFolders(const std::string& folder) {
    const std::string path = WithoutTrailingSlashes(folder);
    if (path.size() <= root_.size())
        return false; // the root itself, or above it
    if (mkdir(path.c_str(), 0777) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    return MakeFolders(FolderOf(path)) && mkdir(path.c_str(), 0777) == 0;
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

bool IsUpToDate(int64_t destination, int64_t source, int64_t resolution) {
    if (destination >= source)
        return true;
    if (resolution <= 1)
        return false;
    int64_t floor = source / resolution * resolution;
    if (floor > source)
        floor -= resolution;
    return destination == floor;
}

} // namespace hozonix::engine
