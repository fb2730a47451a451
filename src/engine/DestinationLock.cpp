#include "engine/DestinationLock.h"

#include "base/AtomicFile.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"
#include "engine/FileTimes.h"
#include "engine/TempTarget.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hozonix::engine {

namespace {

constexpr char Heading[] = "Hozonix destination lock";
constexpr std::chrono::minutes Renewal{5};
// A lock file still empty this long after it was made was left by a run killed as it made it.
constexpr std::chrono::minutes EmptyStaleAfter{1};
constexpr std::size_t MaxBytes = 4096;

std::string FirstLineOf(const char* path) {
    std::string text;
    if (ReadWholeFile(path, text, MaxBytes) != 0)
        return {};
    return text.substr(0, text.find('\n'));
}

std::string Field(const std::string& content, const std::string& key) {
    const std::string start = "\n" + key + "=";
    const std::size_t at = content.find(start);
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + start.size();
    return content.substr(from, content.find('\n', from) - from);
}

// The machine by its id and host name (two containers may share the id, not the name), and its boot,
// since process ids start again after a restart.
std::string LockFileContent() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return std::string(Heading) + "\nmachine=" + FirstLineOf("/etc/machine-id") + "\nhost=" + host +
           "\nboot=" + FirstLineOf("/proc/sys/kernel/random/boot_id") + "\npid=" + std::to_string(getpid()) +
           "\n";
}

int64_t Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return StampOf(ts.tv_sec, ts.tv_nsec);
}

int64_t Nanoseconds(std::chrono::minutes m) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(m).count();
}

bool IsStale(const std::string& content, int64_t renewed, int64_t now) {
    if (content.empty())
        return now - renewed > Nanoseconds(EmptyStaleAfter);
    if (now - renewed > Nanoseconds(LockStaleAfter))
        return true;
    const std::string self = LockFileContent();
    const long pid = std::atol(Field(content, "pid").c_str());
    if (content.rfind(Heading, 0) != 0 || pid <= 0 || Field(content, "machine") != Field(self, "machine") ||
        Field(content, "host") != Field(self, "host"))
        return false; // another machine's: only its age tells
    if (Field(content, "boot") != Field(self, "boot"))
        return true; // made before this machine last started
    return !ProcessRuns(pid);
}

// The lock file's content and the time it was last renewed; false when there is none (any more).
bool ReadLock(int ownFd, const std::string& name, std::string& content, int64_t& renewed) {
    const ScopedFd fd(openat(ownFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0)
        return false;
    renewed = StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    content.assign(MaxBytes, '\0');
    const ssize_t n = S_ISREG(st.st_mode) ? pread(fd.get(), content.data(), content.size(), 0) : -1;
    content.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return true;
}

std::string RandomSuffix() {
    unsigned char bytes[8] = {};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        return std::to_string(getpid()) + "-" + std::to_string(Now());
    std::string hex;
    for (const unsigned char b : bytes) {
        hex += "0123456789abcdef"[b >> 4];
        hex += "0123456789abcdef"[b & 15];
    }
    return hex;
}

// Removes the stale lock file that said `stale`. Moved aside under a name of its own first, so that of
// two runs that found it stale at once only one removes it, and a new lock file that the other made
// meanwhile is never taken for it. False when what was moved aside was not that file: it is put back.
bool BreakStale(int ownFd, const std::string& stale) {
    const std::string aside = std::string(LockFileName) + ".stale-" + RandomSuffix();
    if (renameat(ownFd, LockFileName, ownFd, aside.c_str()) != 0)
        return errno == ENOENT || unlinkat(ownFd, LockFileName, 0) == 0 || errno == ENOENT;
    std::string content;
    int64_t renewed = 0;
    if (ReadLock(ownFd, aside, content, renewed) && content != stale) {
        renameat(ownFd, aside.c_str(), ownFd, LockFileName);
        return false;
    }
    unlinkat(ownFd, aside.c_str(), 0);
    return true;
}

} // namespace

DestinationLock::DestinationLock(const std::string& folder) {
    fd_.reset(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd_.get() < 0)
        return; // the run itself reports a folder it cannot use
    int rc;
    while ((rc = flock(fd_.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0 && errno == EWOULDBLOCK)
        throw DestinationBusyError(texts::DestinationBusy + folder);
    if (!TakeLockFile())
        throw DestinationBusyError(texts::DestinationBusy + folder);
    if (own_.get() < 0)
        return;
    try {
        renewal_ = std::thread([this] { RenewWhileHeld(); });
    } catch (const std::system_error&) {
        // No thread to be had: the lock file holds for its first hour all the same.
    }
}

DestinationLock::~DestinationLock() {
    Release();
}

bool DestinationLock::TakeLockFile() {
    own_.reset(OpenOwnFolder(fd_.get(), true));
    if (own_.get() < 0)
        return true; // no lock file can be made here (read-only, full): the run meets that itself
    content_ = LockFileContent();
    for (int attempt = 0; attempt < 3; ++attempt) {
        ScopedFd fd(
            openat(own_.get(), LockFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.get() >= 0) {
            if (WriteAll(fd.get(), content_) && fd.close() == 0)
                return true;
            unlinkat(own_.get(), LockFileName, 0);
            own_.reset();
            return true;
        }
        if (errno != EEXIST) {
            own_.reset();
            return true;
        }
        std::string found;
        int64_t renewed = 0;
        if (!ReadLock(own_.get(), LockFileName, found, renewed))
            continue; // removed meanwhile
        if (!IsStale(found, renewed, Now()) || !BreakStale(own_.get(), found))
            break;
    }
    own_.reset();
    return false;
}

void DestinationLock::RenewWhileHeld() {
    std::unique_lock lock(mutex_);
    while (!stop_.wait_for(lock, Renewal, [this] { return stopping_; }))
        utimensat(own_.get(), LockFileName, nullptr, 0);
}

void DestinationLock::Release() {
    if (renewal_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        stop_.notify_all();
        renewal_.join();
    }
    if (own_.get() < 0)
        return;
    // Only our own: a run that took ours for stale (after an hour without renewal) holds it now.
    std::string content;
    int64_t renewed = 0;
    if (ReadLock(own_.get(), LockFileName, content, renewed) && content == content_)
        unlinkat(own_.get(), LockFileName, 0);
    own_.reset();
}

} // namespace hozonix::engine
