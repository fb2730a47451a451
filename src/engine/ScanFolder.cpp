#include "engine/ScanFolder.h"

#include "engine/FileTimes.h"
#include "engine/PathText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace hozonix::engine {

namespace {

int64_t Nanoseconds(const struct statx_timestamp& t) {
    return StampOf(t.tv_sec, t.tv_nsec);
}

using Walk = std::vector<FolderId>; // the folders a walk is inside, to stop at links back to them

// Lets the caller's thread hand control back now and then, and stops every walker when it says so.
class ScanControl {
public:
    ScanControl(const std::function<bool()>& keepGoing, std::chrono::milliseconds interval)
        : keepGoing_(keepGoing), interval_(interval) {}

    bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }
    // On the caller's thread only: asks the caller once the interval has passed (or now when `force`).
    // The clock is read every 128th call, or every call with `often`.
    void Poll(bool force = false, bool often = false) {
        if (!keepGoing_ || Stopped() || (!force && !often && ++calls_ % 128 != 0))
            return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - last_ < interval_)
            return;
        last_ = now;
        if (!keepGoing_())
            stopped_.store(true, std::memory_order_relaxed);
    }

private:
    const std::function<bool()>& keepGoing_;
    std::chrono::milliseconds interval_;
    std::atomic<bool> stopped_{false};
    unsigned calls_ = 0;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

bool Contains(const std::vector<FolderId>& ids, const struct stat& st) {
    return std::any_of(ids.begin(), ids.end(),
                       [&](const FolderId& id) { return id.dev == st.st_dev && id.ino == st.st_ino; });
}

// Errors that mean the thing is simply not there (any more), rather than there and unreadable.
bool IsGone(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP;
}

// What one walker collects: files, and the parts it could not read.
struct Findings {
    FileList files;
    std::vector<std::string> unreadable;
    std::vector<std::string> linksNotEntered;
};

struct Subfolder {
    std::string name;
    bool link; // reached through a symbolic link
};

// The date limit below the folder `self` (open as `fd`, inside the folders `above`) when the folder's own
// is `limit`. A folder moved or renamed into place keeps its files' times, old as they may be; only its
// own change time moves, so everything below a folder changed since the limit is taken, and everything on
// a file system without change times.
int64_t LimitBelow(int fd, const struct stat& self, const Walk& above, int64_t limit) {
    if (limit == 0 || StampOf(self.st_ctim.tv_sec, self.st_ctim.tv_nsec) > limit)
        return 0;
    const bool newDevice = above.empty() || above.back().dev != self.st_dev;
    return newDevice && !KeepsChangeTimes(fd) ? 0 : limit;
}

// Drives and network shares mounted under /run (removable drives, the desktop's shares) are folders like
// any other; the rest of /run is the system's runtime state.
bool IsMountedUnderRun(const std::string& path) {
    if (IsAtOrBelow(path, "/run/media"))
        return true;
    const std::size_t user = path.find('/', std::strlen("/run/user/"));
    return IsAtOrBelow(path, "/run/user") && user != std::string::npos &&
           path.compare(user, 6, "/gvfs/") == 0;
}

// Where a link inside the source must not lead: to "/", to a folder the source lies in, or into the
// system's own folders. Each would take in a whole system (a "z:" drive link -> "/"). The root of a
// drive mounted elsewhere is a folder like any other.
class Boundaries {
public:
    explicit Boundaries(int sourceFd) {
        struct stat st {};
        int fd = openat(sourceFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        while (fd >= 0 && fstat(fd, &st) == 0 && !Contains(ancestors_, st)) {
            ancestors_.push_back({st.st_dev, st.st_ino});
            const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = parent;
        }
        if (fd >= 0)
            close(fd);
    }

    bool LeadsOut(int fd, const struct stat& st) const {
        struct stat parent {};
        // The root of the system: only "/" is its own parent.
        if (Contains(ancestors_, st) ||
            (fstatat(fd, "..", &parent, 0) == 0 && parent.st_dev == st.st_dev && parent.st_ino == st.st_ino))
            return true;
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        char buf[PATH_MAX];
        const ssize_t n = readlink(link, buf, sizeof buf - 1);
        if (n <= 0)
            return false;
        const std::string path(buf, static_cast<std::size_t>(n));
        return (IsAtOrBelow(path, "/run") && !IsMountedUnderRun(path)) || IsAtOrBelow(path, "/proc") ||
               IsAtOrBelow(path, "/sys") || IsAtOrBelow(path, "/dev");
    }

private:
    std::vector<FolderId> ancestors_;
};

// The files of one folder, held until its subfolders are done (post-order).
struct OwnFiles {
    struct File {
        std::size_t name; // offset in names
        std::size_t length;
        int64_t size;
        int64_t writeTime;
        bool timesValid;
    };
    std::string names;
    std::vector<File> files;

    void AddTo(FileList& list, const std::string& prefix) const {
        for (const File& f : files)
            list.Add(prefix, std::string_view(names).substr(f.name, f.length), f.size, f.writeTime,
                     f.timesValid);
    }
};

class Scanner {
public:
    // `control`: shared by every walker; `polls`: this walker runs on the caller's thread; `limit`: the
    // date limit of the folders it walks (0 below a folder moved or renamed since the run's limit).
    Scanner(Findings& out, const ScanOptions& options, const Boundaries& bounds, ScanControl& control,
            bool polls, int64_t limit, Walk walk = {})
        : out_(out), options_(options), bounds_(bounds), control_(control), polls_(polls), limit_(limit),
          walk_(std::move(walk)) {}

    // Takes ownership of `fd`, the folder whose status is `self`. `prefix` is the folder's path with one
    // trailing "/".
    void Scan(int fd, const struct stat& self, const std::string& prefix) {
        const int64_t limit = limit_;
        limit_ = LimitBelow(fd, self, walk_, limit_);
        walk_.push_back({self.st_dev, self.st_ino});
        OwnFiles own;
        std::vector<Subfolder> subfolders;
        List(fd, prefix, own, subfolders);
        if (options_.recursive) {
            for (const Subfolder& sub : subfolders) {
                if (control_.Stopped())
                    break;
                Enter(fd, prefix, sub);
            }
        }
        close(fd);
        walk_.pop_back();
        limit_ = limit;
        own.AddTo(out_.files, prefix);
    }

    // The files of the open folder into `own`, the names of its subfolders into `subfolders`.
    void List(int fd, const std::string& prefix, OwnFiles& own, std::vector<Subfolder>& subfolders) {
        for (ssize_t used = 0, at = 0;;) {
            if (at == used) {
                // Straight from the kernel into the walker's own buffer: a folder stream of the C library
                // would allocate one per folder and cost two more kernel calls to set up.
                if (!entries_)
                    entries_ = std::make_unique_for_overwrite<char[]>(EntryBytes);
                used = getdents64(fd, entries_.get(), EntryBytes);
                at = 0;
                if (used <= 0) {
                    if (used < 0)
                        Unreadable(prefix); // what was listed before the error is still taken
                    return;
                }
            }
            const auto* e = reinterpret_cast<const struct dirent64*>(entries_.get() + at);
            at += e->d_reclen;
            if (polls_)
                control_.Poll();
            if (control_.Stopped())
                return;
            const char* name = e->d_name;
            if (name[0] == '.')
                continue; // ".", ".." and hidden names
            switch (e->d_type) {
            case DT_DIR:
                subfolders.push_back({name, false});
                break;
            case DT_REG:
            case DT_LNK:
            case DT_UNKNOWN:
                Inspect(fd, name, e->d_type, prefix, own, subfolders);
                break;
            default:
                break; // FIFOs, sockets, devices
            }
        }
    }

    // Opens the folder `name` in the open `parentFd` (or `path` when that is AT_FDCWD). -1 when it
    // cannot be read (noted as unreadable), is gone, is one the walk is inside or one to leave out, or is
    // reached through a link (`link`) that leads out of the source to a whole system (noted).
    int OpenFolder(int parentFd, const char* name, const std::string& path, struct stat& st,
                   bool link = false) {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        int fd = parentFd == AT_FDCWD ? -1 : openat(parentFd, name, flags);
        if (fd < 0 && (parentFd == AT_FDCWD || errno == EMFILE || errno == ENFILE))
            fd = open(path.c_str(), flags);
        if (fd < 0) {
            if (!IsGone(errno))
                Unreadable(path + "/");
            return -1;
        }
        if (fstat(fd, &st) != 0 || Contains(walk_, st) || Contains(options_.leaveOut, st)) {
            close(fd); // a link back to a folder we are inside, or the destination
            return -1;
        }
        if (link && bounds_.LeadsOut(fd, st)) {
            close(fd);
            out_.linksNotEntered.push_back(path);
            return -1;
        }
        return fd;
    }

    void Unreadable(const std::string& path) {
        if (options_.unreadable != nullptr)
            out_.unreadable.push_back(path);
    }

private:
    void Inspect(int dirFd, const char* name, unsigned char type, const std::string& prefix, OwnFiles& own,
                 std::vector<Subfolder>& subfolders) {
        struct statx sx {};
        const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_CTIME | STATX_BTIME;
        // A folder reached through a link is checked before it is entered, so links must be known: where
        // the listing does not tell the type, look at the entry itself first.
        bool link = type == DT_LNK;
        int rc = statx(dirFd, name, AT_STATX_SYNC_AS_STAT | (type == DT_UNKNOWN ? AT_SYMLINK_NOFOLLOW : 0),
                       mask, &sx);
        if (rc == 0 && type == DT_UNKNOWN && S_ISLNK(sx.stx_mode)) {
            link = true;
            rc = statx(dirFd, name, AT_STATX_SYNC_AS_STAT, mask, &sx);
        }
        if (rc != 0) {
            if (!IsGone(errno))
                Unreadable(prefix + name);
            return; // vanished or a dangling link
        }
        if (S_ISDIR(sx.stx_mode)) {
            subfolders.push_back({name, link});
            return;
        }
        if (!S_ISREG(sx.stx_mode))
            return;
        const int64_t written = Nanoseconds(sx.stx_mtime);
        // A file moved or unpacked into the source keeps its old write time; its change time is new.
        if (limit_ != 0 && std::max(written, Nanoseconds(sx.stx_ctime)) <= limit_)
            return;
        const int64_t created =
            (sx.stx_mask & STATX_BTIME) ? Nanoseconds(sx.stx_btime) : Nanoseconds(sx.stx_ctime);
        const std::size_t length = std::char_traits<char>::length(name);
        own.files.push_back({own.names.size(), length, static_cast<int64_t>(sx.stx_size), written,
                             IsValidFileTime(written) && IsValidFileTime(Nanoseconds(sx.stx_atime)) &&
                                 IsValidFileTime(created)});
        own.names.append(name, length);
    }

    void Enter(int parentFd, const std::string& prefix, const Subfolder& sub) {
        const std::string path = prefix + sub.name;
        struct stat st {};
        const int fd = OpenFolder(parentFd, sub.name.c_str(), path, st, sub.link);
        if (fd >= 0)
            Scan(fd, st, path + "/");
    }

    static constexpr std::size_t EntryBytes = 32 * 1024;

    Findings& out_;
    const ScanOptions& options_;
    const Boundaries& bounds_;
    ScanControl& control_;
    bool polls_;
    int64_t limit_;
    Walk walk_;
    std::unique_ptr<char[]> entries_; // the listing read so far of the folder in hand
};

// A piece of the listing: a subtree still to walk, or files already collected. In post-order a folder
// is its subfolders' subtrees, in order, then its own files, so a tree can be cut into pieces that two
// threads walk at once and whose lists, put end to end, are the list of one walk.
struct Piece {
    std::string prefix; // of a subtree; empty for collected files
    Walk walk;          // the folders above the subtree
    int64_t limit = 0;  // the date limit of the folder above it
    bool link = false;  // the subtree is reached through a link
    Findings found;
};

// What every walker of one scan shares.
struct Shared {
    const ScanOptions& options;
    const Boundaries& bounds;
    ScanControl& control;
};

// Splits the listing of the open folder `fd` (owned; status `self`, path `prefix`, the date limit of the
// folder above it `limit`) into its subfolders' subtrees and its own files.
void Split(int fd, const struct stat& self, const std::string& prefix, const Walk& above, int64_t limit,
           const Shared& scan, std::vector<Piece>& into) {
    Piece own;
    const int64_t below = LimitBelow(fd, self, above, limit);
    Scanner lister(own.found, scan.options, scan.bounds, scan.control, true, below);
    std::vector<Subfolder> subfolders;
    OwnFiles files;
    lister.List(fd, prefix, files, subfolders);
    close(fd);
    files.AddTo(own.found.files, prefix);
    Walk walk = above;
    walk.push_back({self.st_dev, self.st_ino});
    for (const Subfolder& sub : subfolders)
        into.push_back(Piece{prefix + sub.name + "/", walk, below, sub.link, {}});
    into.push_back(std::move(own));
}

Scanner WalkerOf(Piece& piece, const Shared& scan, bool polls) {
    return Scanner(piece.found, scan.options, scan.bounds, scan.control, polls, piece.limit, piece.walk);
}

// Opens the subtree `piece`; -1 when it cannot be read (it then contributes nothing, as in one walk).
int OpenPiece(Piece& piece, const Shared& scan, struct stat& st) {
    return WalkerOf(piece, scan, false)
        .OpenFolder(AT_FDCWD, "", piece.prefix.substr(0, piece.prefix.size() - 1), st, piece.link);
}

void WalkPiece(Piece& piece, const Shared& scan, bool polls) {
    struct stat st {};
    const int fd = OpenPiece(piece, scan, st);
    if (fd >= 0)
        WalkerOf(piece, scan, polls).Scan(fd, st, piece.prefix);
}

std::size_t SubtreesIn(const std::vector<Piece>& pieces) {
    return static_cast<std::size_t>(
        std::count_if(pieces.begin(), pieces.end(), [](const Piece& p) { return !p.prefix.empty(); }));
}

void Append(Findings& from, FileList& out, const ScanOptions& options) {
    out.Append(std::move(from.files));
    if (options.unreadable != nullptr) {
        for (std::string& path : from.unreadable)
            options.unreadable->push_back(std::move(path));
    }
    if (options.linksNotEntered != nullptr) {
        for (std::string& path : from.linksNotEntered)
            options.linksNotEntered->push_back(std::move(path));
    }
}

// The type of the file system of device `device` as the mount table names it ("fuse.sshfs"), or "".
std::string MountedType(dev_t device) {
    std::FILE* f = std::fopen("/proc/self/mountinfo", "re");
    if (f == nullptr)
        return {};
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string type;
    char* line = nullptr;
    std::size_t size = 0;
    while (type.empty() && getline(&line, &size, f) > 0) {
        // id parent major:minor root mount-point options [optional fields] - type source options
        const std::string text = line;
        const std::size_t first = text.find(' ');
        const std::size_t second = text.find(' ', first + 1);
        const std::size_t third = text.find(' ', second + 1);
        const std::size_t dash = text.find(" - ");
        if (third == std::string::npos || dash == std::string::npos ||
            text.compare(second + 1, third - second - 1, wanted) != 0)
            continue;
        type = text.substr(dash + 3, text.find(' ', dash + 3) - dash - 3);
    }
    std::free(line);
    std::fclose(f);
    return type;
}

} // namespace

bool KeepsChangeTimes(int folderFd) {
    struct statfs fs {};
    struct stat st {};
    if (fstatfs(folderFd, &fs) != 0 || fstat(folderFd, &st) != 0)
        return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44:     // FAT
    case 0x2011BAB0: // exFAT
        return false;
    case 0x65735546: { // FUSE: the program behind it tells
        const std::string type = MountedType(st.st_dev);
        return type != "fuse.sshfs" && type != "fuse.rclone" && type != "fuse.gvfsd-fuse";
    }
    default:
        return true;
    }
}

void ScanFolder(const std::string& folder, FileList& out, const ScanOptions& options) {
    const std::string prefix = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat self {};
    if (fd < 0 || fstat(fd, &self) != 0) {
        if (fd >= 0)
            close(fd);
        if (options.unreadable != nullptr)
            options.unreadable->push_back(prefix);
        return;
    }
    ScanControl control(options.keepGoing, options.pollInterval);
    control.Poll(true); // once at the start, whatever follows
    const Boundaries bounds(fd);
    const Shared scan{options, bounds, control};
    if (!options.recursive) {
        Findings found;
        Scanner(found, options, bounds, control, true, options.dateLimit).Scan(fd, self, prefix);
        Append(found, out, options);
        return;
    }
    // A walk is bound by kernel calls, one per file: several threads walk separate subtrees. Cut the tree
    // a few levels down at most, until there are enough subtrees to share out fairly.
    std::vector<Piece> pieces;
    Split(fd, self, prefix, {}, options.dateLimit, scan, pieces);
    constexpr std::size_t enough = 32;
    for (int level = 0; level < 3 && SubtreesIn(pieces) > 0 && SubtreesIn(pieces) < enough; ++level) {
        std::vector<Piece> finer;
        for (Piece& piece : pieces) {
            struct stat st {};
            if (piece.prefix.empty() || control.Stopped()) {
                finer.push_back(std::move(piece));
            } else if (const int subFd = OpenPiece(piece, scan, st); subFd >= 0) {
                Split(subFd, st, piece.prefix, piece.walk, piece.limit, scan, finer);
            } else {
                piece.prefix.clear(); // keeps what the failed open noted
                finer.push_back(std::move(piece));
            }
        }
        pieces = std::move(finer);
    }

    std::vector<std::size_t> subtrees;
    // Collected files are complete from the start; a subtree once walked.
    const std::unique_ptr<std::atomic<bool>[]> complete(new std::atomic<bool>[pieces.size()]);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        complete[i].store(pieces[i].prefix.empty(), std::memory_order_relaxed);
        if (!pieces[i].prefix.empty())
            subtrees.push_back(i);
    }
    // The caller's thread adds the pieces complete so far, in order, between the subtrees it walks
    // itself: the other threads go on walking meanwhile, where adding them all at the end would leave
    // every core but one idle.
    std::size_t added = 0;
    const auto addComplete = [&] {
        for (; added < pieces.size() && complete[added].load(std::memory_order_acquire); ++added)
            Append(pieces[added].found, out, options);
    };
    std::atomic<std::size_t> next{0};
    const auto walk = [&](bool polls) {
        for (std::size_t i;
             !control.Stopped() && (i = next.fetch_add(1, std::memory_order_relaxed)) < subtrees.size();) {
            WalkPiece(pieces[subtrees[i]], scan, polls);
            complete[subtrees[i]].store(true, std::memory_order_release);
            if (polls)
                addComplete();
        }
    };
    if (subtrees.size() > 1) {
        // More walkers than cores: on a disk whose cache is cold each waits for its reads most of the
        // time, and the disk answers several at once sooner than one after another.
        constexpr std::size_t kHelpers = 7;
        const std::size_t helpers = std::min(kHelpers, subtrees.size() - 1);
        std::mutex mutex;
        std::condition_variable done;
        std::size_t helpersDone = 0;
        std::vector<std::thread> threads;
        for (std::size_t h = 0; h < helpers; ++h) {
            threads.emplace_back([&] {
                walk(false);
                std::lock_guard lock(mutex);
                ++helpersDone;
                done.notify_one();
            });
        }
        walk(true);
        // The caller's thread goes on handing control back until the helpers are done too.
        std::unique_lock lock(mutex);
        while (!done.wait_for(lock, options.pollInterval, [&] { return helpersDone == helpers; })) {
            lock.unlock();
            control.Poll(true);
            lock.lock();
        }
        lock.unlock();
        for (std::thread& thread : threads)
            thread.join();
    } else {
        walk(true);
    }

    for (; added < pieces.size(); ++added) {
        Append(pieces[added].found, out, options);
        control.Poll(false, true);
    }
}

} // namespace hozonix::engine
