#include "ScanFolder.h"

#include "FileTimes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace hozonix::engine {

namespace {

int64_t Nanoseconds(const struct statx_timestamp& t) {
    return StampOf(t.tv_sec, t.tv_nsec);
}

struct FolderId {
    dev_t dev;
    ino_t ino;
};
using Walk = std::vector<FolderId>; // the folders a walk is inside, to stop at links back to them

class Scanner {
public:
    Scanner(FileList& out, bool recursive, int64_t dateLimit, Walk walk = {})
        : out_(out), recursive_(recursive), dateLimit_(dateLimit), walk_(std::move(walk)) {}

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
        List(dir, prefix, own, subfolders);
        if (recursive_) {
            for (const std::string& sub : subfolders)
                Enter(dirfd(dir), prefix, sub);
        }
        closedir(dir);
        walk_.pop_back();
        for (FileEntry& entry : own)
            out_.push_back(std::move(entry));
    }

    // The files of the open folder into `own`, the names of its subfolders into `subfolders`.
    void List(DIR* dir, const std::string& prefix, FileList& own, std::vector<std::string>& subfolders) {
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
    }

    // The folder `name` in the open `parentFd` (or `path` when that is AT_FDCWD) opened, or -1 when it
    // cannot be, or is one the walk is inside.
    static int OpenFolder(int parentFd, const char* name, const std::string& path, const Walk& walk,
                          struct stat& st) {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        int fd = parentFd == AT_FDCWD ? -1 : openat(parentFd, name, flags);
        if (fd < 0 && (parentFd == AT_FDCWD || errno == EMFILE || errno == ENFILE))
            fd = open(path.c_str(), flags);
        if (fd < 0)
            return -1;
        if (fstat(fd, &st) != 0 || OnWalk(walk, st)) {
            close(fd); // a link back to a folder we are inside
            return -1;
        }
        return fd;
    }

private:
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
        struct stat st {};
        const int fd = OpenFolder(parentFd, name.c_str(), path, walk_, st);
        if (fd >= 0)
            Scan(fd, st, path + "/");
    }

    static bool OnWalk(const Walk& walk, const struct stat& st) {
        for (const FolderId& id : walk) {
            if (id.dev == st.st_dev && id.ino == st.st_ino)
                return true;
        }
        return false;
    }

    FileList& out_;
    const bool recursive_;
    const int64_t dateLimit_;
    Walk walk_;
};

// A piece of the listing: a subtree still to walk, or files already collected. In post-order a folder
// is its subfolders' subtrees, in order, then its own files, so a tree can be cut into pieces that two
// threads walk at once and whose lists, put end to end, are the list of one walk.
struct Piece {
    std::string prefix; // of a subtree; empty for collected files
    Walk walk;          // the folders above the subtree
    FileList files;
};

// Splits the listing of the open folder `fd` (owned; status `self`, path `prefix`) into its subfolders'
// subtrees and its own files.
void Split(int fd, const struct stat& self, const std::string& prefix, const Walk& above, int64_t dateLimit,
           std::vector<Piece>& into) {
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return;
    }
    Piece own;
    std::vector<std::string> subfolders;
    Scanner(own.files, true, dateLimit).List(dir, prefix, own.files, subfolders);
    closedir(dir);
    Walk walk = above;
    walk.push_back({self.st_dev, self.st_ino});
    for (const std::string& name : subfolders)
        into.push_back(Piece{prefix + name + "/", walk, {}});
    into.push_back(std::move(own));
}

// Opens the subtree `piece`; -1 when it cannot be read (it then contributes nothing, as in one walk).
int OpenPiece(const Piece& piece, struct stat& st) {
    return Scanner::OpenFolder(AT_FDCWD, "", piece.prefix.substr(0, piece.prefix.size() - 1), piece.walk, st);
}

void WalkPiece(Piece& piece, int64_t dateLimit) {
    struct stat st {};
    const int fd = OpenPiece(piece, st);
    if (fd >= 0)
        Scanner(piece.files, true, dateLimit, piece.walk).Scan(fd, st, piece.prefix);
}

std::size_t SubtreesIn(const std::vector<Piece>& pieces) {
    return static_cast<std::size_t>(
        std::count_if(pieces.begin(), pieces.end(), [](const Piece& p) { return !p.prefix.empty(); }));
}

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
    if (!recursive) {
        Scanner(out, false, dateLimit).Scan(fd, self, prefix);
        return;
    }
    // A walk is bound by kernel calls, one per file: two threads walk separate subtrees. Cut the tree a
    // few levels down at most, until there are enough subtrees to share out fairly.
    std::vector<Piece> pieces;
    Split(fd, self, prefix, {}, dateLimit, pieces);
    constexpr std::size_t enough = 32;
    for (int level = 0; level < 3 && SubtreesIn(pieces) > 0 && SubtreesIn(pieces) < enough; ++level) {
        std::vector<Piece> finer;
        for (Piece& piece : pieces) {
            struct stat st {};
            if (piece.prefix.empty())
                finer.push_back(std::move(piece));
            else if (const int subFd = OpenPiece(piece, st); subFd >= 0)
                Split(subFd, st, piece.prefix, piece.walk, dateLimit, finer);
        }
        pieces = std::move(finer);
    }

    std::vector<Piece*> subtrees;
    for (Piece& piece : pieces) {
        if (!piece.prefix.empty())
            subtrees.push_back(&piece);
    }
    std::atomic<std::size_t> next{0};
    const auto walk = [&] {
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < subtrees.size();)
            WalkPiece(*subtrees[i], dateLimit);
    };
    if (subtrees.size() > 1) {
        std::thread helper(walk);
        walk();
        helper.join();
    } else {
        walk();
    }

    std::size_t total = out.size();
    for (const Piece& piece : pieces)
        total += piece.files.size();
    out.reserve(total);
    for (Piece& piece : pieces) {
        for (FileEntry& entry : piece.files)
            out.push_back(std::move(entry));
        FileList().swap(piece.files);
    }
}

} // namespace hozonix::engine
