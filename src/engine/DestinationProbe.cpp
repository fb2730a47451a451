#include "engine/DestinationProbe.h"

#include "base/ScopedFd.h"
#include "engine/CaseFold.h"
#include "engine/DestinationStamp.h"
#include "engine/FileTimes.h"
#include "engine/FolderCache.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

// An odd second with a fraction that rounds up: every step below tells itself apart on it.
constexpr struct timespec TrialTime = {1'234'567'891, 987'654'321};

int64_t WrittenOf(const struct stat& st) {
    return StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

// The step in which `kept` holds `set`, truncated or rounded up; 0 when it is no such step of it.
int64_t StepOf(int64_t kept, int64_t set) {
    if (kept == set)
        return 1;
    for (const int64_t step : {int64_t{100}, int64_t{1'000}, int64_t{1'000'000}, int64_t{10'000'000},
                               int64_t{1'000'000'000}, int64_t{2'000'000'000}}) {
        const int64_t floor = set / step * step;
        if (kept == floor || kept == floor + step)
            return step;
    }
    return 0;
}

DestinationTraits Guess(const std::string& folder) {
    DestinationTraits traits;
    traits.timeStep = TimeResolutionOf(folder);
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) == 0) {
        switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x4d44: // FAT
            traits.stripsTrailingDots = true;
            traits.caseBlind = true;
            break;
        case 0x2011BAB0: // exFAT
        case 0xFF534D42: // CIFS
        case 0xFE534D42: // SMB2
        case 0x517B:     // SMB
            traits.caseBlind = true;
            break;
        default:
            break;
        }
    }
    return traits;
}

bool SameFile(int folderFd, const std::string& name, const struct stat& file) {
    struct stat st {};
    return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_ino == file.st_ino &&
           st.st_dev == file.st_dev;
}

} // namespace

DestinationTraits ProbeDestination(int rootFd, const std::string& folder, bool mayWrite) {
    const ScopedFd own(mayWrite && rootFd >= 0 ? OpenOwnFolder(rootFd, true) : -1);
    const int folderFd = own.get();
    if (folderFd < 0)
        return Guess(folder);
    const std::string name = "probe";
    const std::string temporary = "probe.tmp";
    // Trial files left by a run that was killed are ours: the run holds the destination's lock.
    unlinkat(folderFd, name.c_str(), 0);
    unlinkat(folderFd, temporary.c_str(), 0);
    const int fd =
        openat(folderFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Guess(folder);
    // As a copy is made: written, given its time while open, closed and renamed into place. A share
    // reached through FUSE may close the file on the server only after close() has returned, and stamp
    // its own time then; the rename waits for that, so the time looked at is the one that stays.
    const struct timespec times[2] = {TrialTime, TrialTime}; // both, as the copy sets them
    const bool written = write(fd, "x", 1) == 1 && futimens(fd, times) == 0;
    const bool closed = close(fd) == 0;
    struct stat st {};
    if (!written || !closed || renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) != 0 ||
        fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        unlinkat(folderFd, temporary.c_str(), 0);
        unlinkat(folderFd, name.c_str(), 0);
        return Guess(folder);
    }
    DestinationTraits traits;
    const int64_t set = StampOf(TrialTime.tv_sec, TrialTime.tv_nsec);
    traits.timeStep = StepOf(WrittenOf(st), set);
    if (traits.timeStep == 0 && utimensat(folderFd, name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 &&
        fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        traits.timeStep = StepOf(WrittenOf(st), set);
        traits.timesAfterClose = traits.timeStep != 0;
    }
    traits.caseBlind = SameFile(folderFd, FoldedName(name), st);
    std::string current = name;
    const std::string dotted = name + ".";
    if (renameat(folderFd, name.c_str(), folderFd, dotted.c_str()) == 0) {
        traits.stripsTrailingDots = SameFile(folderFd, name, st);
        current = traits.stripsTrailingDots ? name : dotted;
    }
    unlinkat(folderFd, current.c_str(), 0);
    return traits;
}

} // namespace hozonix::engine
