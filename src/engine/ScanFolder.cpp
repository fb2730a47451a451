#include "ScanFolder.h"

#include "FileTimes.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hozonix::engine {

namespace {

int64_t Nanoseconds(const struct statx_timestamp& t) {
    return StampOf(t.tv_sec, t.tv_nsec);
}

class Scanner {
public:
    Scanner(FileList& out, bool recursive, int64_t dateLimit)
        : out_(out), recursive_(recursive), dateLimit_(dateLimit) {}

    // Takes ownership of `fd`, the folder whose status is `self`. `prefix` is the folder's path with one
    // trailing "/".
    void Scan(int fd, const struct stat& self, const std::string& prefix) {
        DIR* dir = fdopendir(fd);
        if (dir == nullptr) {
            close(fd);
            return;
        }
        walk_.push_back({self.st_dev, self.st_ino});
        FileList own;
        std::vector<std::string> subfolders;
        while (const dirent* e = readdir(dir)) {
            const char* name = e->d_name;
            if (name[0] == '.')
                continue; // ".", ".." and hidden names
            switch (e->d_type) {
            case DT_DIR:
                subfolders.emplace_back(name);
                break;
            case DT_REG:
            case DT_LNK:
            case DT_UNKNOWN:
                Inspect(dirfd(dir), name, prefix, own, subfolders);
                break;
            default:
                break; // FIFOs, sockets, devices
            }
        }
        if (recursive_) {
            for (const std::string& sub : subfolders)
                Enter(dirfd(dir), prefix, sub);
        }
        closedir(dir);
        walk_.pop_back();
        for (FileEntry& entry : own)
            out_.push_back(std::move(entry));
    }

private:
    struct FolderId {
        dev_t dev;
        ino_t ino;
    };

    void Inspect(int dirFd, const char* name, const std::string& prefix, FileList& own,
                 std::vector<std::string>& subfolders) {
        struct statx sx {};
        const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_CTIME | STATX_BTIME;
        if (statx(dirFd, name, AT_STATX_SYNC_AS_STAT, mask, &sx) != 0)
            return; // vanished or a dangling link
        if (S_ISDIR(sx.stx_mode)) {
            subfolders.emplace_back(name);
            return;
        }
        if (!S_ISREG(sx.stx_mode))
            return;
        const int64_t written = Nanoseconds(sx.stx_mtime);
        if (dateLimit_ != 0 && written <= dateLimit_)
            return;
        FileEntry entry;
        entry.path.reserve(prefix.size() + std::char_traits<char>::length(name));
        entry.path.append(prefix).append(name);
        entry.size = static_cast<int64_t>(sx.stx_size);
        entry.writeTime = written;
        entry.accessTime = Nanoseconds(sx.stx_atime);
        entry.creationTime =
            (sx.stx_mask & STATX_BTIME) ? Nanoseconds(sx.stx_btime) : Nanoseconds(sx.stx_ctime);
        own.push_back(std::move(entry));
    }

    void Enter(int parentFd, const std::string& prefix, const std::string& name) {
        const std::string path = prefix + name;
        int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 && (errno == EMFILE || errno == ENFILE))
            fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st {};
        if (fstat(fd, &st) != 0 || OnWalk(st)) {
            close(fd); // a link back to a folder we are inside
            return;
        }
        Scan(fd, st, path + "/");
    }

    bool OnWalk(const struct stat& st) const {
        for (const FolderId& id : walk_) {
            if (id.dev == st.st_dev && id.ino == st.st_ino)
                return true;
        }
        return false;
    }

    FileList& out_;
    const bool recursive_;
    const int64_t dateLimit_;
    std::vector<FolderId> walk_;
};

} // namespace

void ScanFolder(const std::string& folder, FileList& out, bool recursive, int64_t dateLimit) {
    const std::string prefix = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat self {};
    if (fstat(fd, &self) != 0) {
        close(fd);
        return;
    }
    Scanner(out, recursive, dateLimit).Scan(fd, self, prefix);
}

} // namespace hozonix::engine
