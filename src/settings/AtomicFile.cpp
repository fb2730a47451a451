#include "AtomicFile.h"

#include "AppError.h"

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

} // namespace

int ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            close(fd);
            out.clear();
            return err;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return 0;
}

void ReplaceFileAtomically(const std::string& path, const std::string& content) {
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = folder + "/." + FileNameOf(target) + "." + std::to_string(getpid()) + "." +
               std::to_string(attempt) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            ThrowSystemError(path, errno);
    }
    struct stat old {};
    if (stat(target.c_str(), &old) == 0)
        fchmod(fd, old.st_mode & 07777);
    if (!WriteAll(fd, content) || fsync(fd) != 0) {
        int err = errno;
        close(fd);
        unlink(temp.c_str());
        ThrowSystemError(path, err);
    }
    if (close(fd) != 0) {
        int err = errno;
        unlink(temp.c_str());
        ThrowSystemError(path, err);
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        int err = errno;
        unlink(temp.c_str());
        ThrowSystemError(path, err);
    }
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
}

FolderLock::FolderLock(const std::string& folder) {
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        close(fd_);
}

} // namespace hozonix
