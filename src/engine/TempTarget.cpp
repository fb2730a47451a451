#include "engine/TempTarget.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

std::atomic<unsigned> Counter{0};
std::atomic<bool> EmptyPathLinks{true};

constexpr char Marker[] = ".hozonix-";
constexpr char Ending[] = ".tmp";

std::string UniqueSuffix() {
    // Not cached: a forked child must not name its files after its parent.
    return Marker + std::to_string(getpid()) + "-" + std::to_string(Counter++) + Ending;
}

bool EndsWith(const std::string& text, std::size_t end, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return end >= n && text.compare(end - n, n, tail) == 0;
}

// Skips the digits that end at `end`; returns where they start (== end when there are none).
std::size_t DigitsBefore(const std::string& text, std::size_t end) {
    std::size_t at = end;
    while (at > 0 && text[at - 1] >= '0' && text[at - 1] <= '9')
        --at;
    return at;
}

} // namespace

bool ProcessRuns(long pid) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    std::FILE* f = std::fopen(path, "re");
    if (f == nullptr)
        return true;
    char buf[512];
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    const char* close = std::strrchr(buf, ')');
    return close == nullptr || close[1] == '\0' || close[2] != 'Z';
}

long TemporaryFileOwner(const std::string& name) {
    if (name.size() < 2 || name[0] != '.' || !EndsWith(name, name.size(), Ending))
        return -1;
    const std::size_t end = name.size() - std::strlen(Ending);
    const std::size_t counter = DigitsBefore(name, end);
    if (counter == end || counter == 0 || name[counter - 1] != '-')
        return -1;
    const std::size_t pid = DigitsBefore(name, counter - 1);
    if (pid == counter - 1 || counter - 1 - pid > 18 || !EndsWith(name, pid, Marker))
        return -1;
    return std::stol(name.substr(pid, counter - 1 - pid));
}

int RemoveStaleTemporaryFiles(int folderFd, const std::vector<pid_t>& writers) {
    if (writers.empty())
        return 0;
    const int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return 0;
    }
    int removed = 0;
    const long self = getpid();
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.' || (e->d_type != DT_REG && e->d_type != DT_UNKNOWN))
            continue;
        const std::string name = e->d_name;
        const long owner = TemporaryFileOwner(name);
        if (owner <= 0 || owner == self ||
            std::find(writers.begin(), writers.end(), owner) == writers.end() || ProcessRuns(owner))
            continue;
        const int file = openat(dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (file < 0)
            continue;
        struct stat st {};
        // Its writer holds the lock for as long as it writes, wherever it runs.
        if (fstat(file, &st) == 0 && S_ISREG(st.st_mode) && flock(file, LOCK_EX | LOCK_NB) == 0 &&
            unlinkat(dirfd(dir), name.c_str(), 0) == 0)
            ++removed;
        close(file);
    }
    closedir(dir);
    return removed;
}

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

bool TempTarget::Create(int folderFd, const std::string& name, bool targetMissing, mode_t unnamedMode) {
    folderFd_ = folderFd;
    if (targetMissing) {
        // Unnamed until linked in: nothing is left behind whatever happens, and there is no rename.
        fd_ = openat(folderFd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, unnamedMode);
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
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = UniqueSuffix();
        tempName_ = TempNameFor(name, suffix, NAME_MAX);
        fd_ = openat(folderFd_, tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno == ENAMETOOLONG) // a file system with shorter names than usual
            fd_ = openat(folderFd_, (tempName_ = TempNameFor("", suffix, NAME_MAX)).c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            flock(fd_, LOCK_EX | LOCK_NB); // tells a later run that this file is in use
            return true;
        }
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
            tempName_ = TempNameFor(name, UniqueSuffix(), NAME_MAX);
            flock(fd_, LOCK_EX | LOCK_NB);
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
