#include "TempTarget.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

std::atomic<unsigned> Counter{0};

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

bool TempTarget::Create(int folderFd, const std::string& name) {
    folderFd_ = folderFd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix = ".";
        suffix.append(std::to_string(getpid())).append("-").append(std::to_string(Counter++)).append(".tmp");
        tempName_ = TempNameFor(name, suffix, NAME_MAX);
        fd_ = openat(folderFd, tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (errno == ENAMETOOLONG) // a file system with shorter names than usual
            fd_ = openat(folderFd, (tempName_ = TempNameFor("", suffix, NAME_MAX)).c_str(),
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
    if (fd_ < 0)
        return true;
    const int rc = close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool TempTarget::CommitAs(const std::string& name) {
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
