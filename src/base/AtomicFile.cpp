#include "base/AtomicFile.h"

#include "base/AppError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix {

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows links so that the file behind a link is replaced, not the link itself.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf) != nullptr)
        return buf;
    return path;
}

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changedNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

// Root may replace any file; a file without a write bit for its owner is kept for everyone.
int WriteRefusal(const std::string& target) {
    struct stat st {};
    if (stat(target.c_str(), &st) != 0)
        return 0; // a new file
    if ((st.st_mode & S_IWUSR) == 0)
        return EACCES;
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES)
        return EACCES;
    return 0;
}

} // namespace

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool StampOfFile(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    stamp = StampOf(st);
    return true;
}

int OpenRegularFile(const std::string& path, std::size_t maxBytes, ScopedFd& fd, struct stat& st) {
    fd.reset(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return kNotRegularFile;
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return EFBIG;
    return 0;
}

int ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes, FileStamp* stamp) {
    out.clear();
    ScopedFd fd;
    struct stat st {};
    if (const int err = OpenRegularFile(path, maxBytes, fd, st); err != 0)
        return err;
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        // One byte more than the limit tells a file that grew while it was read.
        const std::size_t room = std::min(sizeof buf, maxBytes + 1 - out.size());
        ssize_t n = read(fd.get(), buf, room);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            out.clear();
            return err;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > maxBytes) {
            out.clear();
            return EFBIG;
        }
    }
    if (stamp != nullptr) {
        // Taken after the read, so that a change during the read shows in the stamp.
        if (fstat(fd.get(), &st) != 0)
            return errno;
        *stamp = StampOf(st);
    }
    return 0;
}

void ReplaceFileAtomically(const std::string& path, const std::string& content) {
    ReplaceFileAtomically(path, [&](int fd) { return WriteAll(fd, content); });
}

void ReplaceFileAtomically(const std::string& path, const std::function<bool(int fd)>& write) {
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);
    if (const int err = WriteRefusal(target); err != 0)
        ThrowFileError(FileAction::Write, path, err);
    std::string temp;
    ScopedFd fd;
    for (int attempt = 0; fd.get() < 0; ++attempt) {
        temp = folder + "/." + FileNameOf(target) + "." + std::to_string(getpid()) + "." +
               std::to_string(attempt) + ".tmp";
        fd.reset(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() < 0 && (errno != EEXIST || attempt > 100))
            ThrowFileError(FileAction::Write, path, errno);
    }
    struct stat old {};
    if (stat(target.c_str(), &old) == 0)
        fchmod(fd.get(), old.st_mode & 07777);
    bool written = false;
    try {
        written = write(fd.get());
    } catch (...) {
        fd.reset();
        unlink(temp.c_str());
        throw;
    }
    if (!written || fsync(fd.get()) != 0) {
        int err = errno;
        fd.reset();
        unlink(temp.c_str());
        ThrowFileError(FileAction::Write, path, err);
    }
    if (fd.close() != 0) {
        int err = errno;
        unlink(temp.c_str());
        ThrowFileError(FileAction::Write, path, err);
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        int err = errno;
        unlink(temp.c_str());
        ThrowFileError(FileAction::Write, path, err);
    }
    const ScopedFd dfd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dfd.get() >= 0)
        fsync(dfd.get());
}

FolderLock::FolderLock(const std::string& folder) {
    fd_.reset(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd_.get() >= 0) {
        while (flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

FolderLock::~FolderLock() = default;

} // namespace hozonix
