#include "TempTarget.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

std::atomic<unsigned> Counter{0};
std::atomic<bool> EmptyPathLinks{true};

} // namespace

std::string TempNameFor(const std::string& name, const std::string& suffix, std::size_t maxLength) {
    std::string base = name;
    const std::size_t room = maxLength > suffix.size() + 1 ? maxLength - suffix.size() - 1 : 0;
    if (base.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut; // never split a multibyte character
        base.resize(cut);
    }
    return "." + base + suffix;
}

bool TempTarget::Create(int folderFd, const std::string& name, bool targetMissing) {
    folderFd_ = folderFd;
    if (targetMissing) {
        // Unnamed until linked in: nothing is left behind whatever happens, and there is no rename.
        fd_ = openat(folderFd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            unnamed_ = true;
            return true;
        }
    }
    return CreateNamed(name);
}

void TempTarget::AdoptUnnamed(int fd, int folderFd) {
    fd_ = fd;
    folderFd_ = folderFd;
    unnamed_ = true;
}

bool TempTarget::CreateNamed(const std::string& name) {
    static const std::string pid = std::to_string(getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix = ".";
        suffix.append(pid).append("-").append(std::to_string(Counter++)).append(".tmp");
        tempName_ = TempNameFor(name, suffix, NAME_MAX);
        fd_ = openat(folderFd_, tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (errno == ENAMETOOLONG) // a file system with shorter names than usual
            fd_ = openat(folderFd_, (tempName_ = TempNameFor("", suffix, NAME_MAX)).c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    tempName_.clear();
    return false;
}

bool TempTarget::Close() {
    if (fd_ < 0 || unnamed_)
        return true; // an unnamed file must stay open until it is linked in
    const int rc = close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool TempTarget::LinkAs(const std::string& name) {
    // Linking the descriptor itself spares a path walk through /proc on every file (a tenth of the time
    // of a small file's copy), but needs CAP_DAC_READ_SEARCH or a kernel that lets the file's opener do
    // it; where it is refused once, /proc is used from then on.
    if (EmptyPathLinks) {
        if (linkat(fd_, "", folderFd_, name.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM)
            return false;
    }
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
    if (linkat(AT_FDCWD, self, folderFd_, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return false;
    EmptyPathLinks = false;
    return true;
}

bool TempTarget::CommitAs(const std::string& name) {
    if (unnamed_) {
        bool linked = LinkAs(name);
        if (!linked && errno == EEXIST) {
            // The target appeared meanwhile: link under a temporary name and rename that over it.
            static const std::string pid = std::to_string(getpid());
            tempName_ = TempNameFor(name, "." + pid + "-" + std::to_string(Counter++) + ".tmp", NAME_MAX);
            linked =
                LinkAs(tempName_) && renameat(folderFd_, tempName_.c_str(), folderFd_, name.c_str()) == 0;
        }
        if (!linked)
            return false;
        tempName_.clear();
        // Some file systems report a failed write only when the file is closed: then the name just
        // linked holds an incomplete copy and must not stay.
        const int rc = close(fd_);
        fd_ = -1;
        if (rc != 0) {
            const int err = errno;
            unlinkat(folderFd_, name.c_str(), 0);
            errno = err;
            return false;
        }
        return true;
    }
    if (renameat(folderFd_, tempName_.c_str(), folderFd_, name.c_str()) != 0)
        return false;
    tempName_.clear();
    return true;
}

TempTarget::~TempTarget() {
    const int saved = errno;
    if (fd_ >= 0)
        close(fd_);
    if (!tempName_.empty())
        unlinkat(folderFd_, tempName_.c_str(), 0);
    errno = saved;
}

} // namespace hozonix::engine
