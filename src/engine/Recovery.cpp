#include "engine/Recovery.h"

#include "base/AppError.h"
#include "engine/EngineTexts.h"
#include "engine/FolderCache.h"
#include "engine/PathText.h"
#include "engine/UnfinishedRunMark.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

std::atomic<LinkFunction> Link{&linkat};

bool Exists(int folderFd, const std::string& name) {
    struct stat st {};
    return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// No hard links here: the error a file system without them gives (some network mounts answer EIO), as
// opposed to a failure that renaming aside would meet too.
bool NoHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK || error == EXDEV ||
           error == EIO;
}

[[noreturn]] void FailPutBack(const std::string& parked, const std::string& target) {
    throw AppError(parked + texts::RenameTo + texts::LineBreak + target + texts::CannotPutBack);
}

} // namespace

void SetParkingLinkForTesting(LinkFunction link) {
    Link = link != nullptr ? link : &linkat;
}

ParkedVersion ParkPreviousVersion(int folderFd, const std::string& target, const ParkingChecks& checks) {
    const std::string parked = ParkedNameOf(target);
    const std::string name = FileNameOf(target);
    const std::string parkedName = FileNameOf(parked);
    const auto fail = [&] {
        throw AppError(target + texts::RenameTo + texts::LineBreak + parked + texts::CannotPark);
    };
    ParkedVersion out;
    if (!Exists(folderFd, name))
        return out;
    struct stat st {};
    if (fstatat(folderFd, parkedName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        // Only a file that can be ours goes: never the copy of a source file of that name, nor a folder.
        if (checks.parkedNameTaken || !S_ISREG(st.st_mode))
            return out;
        unlinkat(folderFd, parkedName.c_str(), 0);
    }
    if (Link.load()(folderFd, name.c_str(), folderFd, parkedName.c_str(), 0) == 0) {
        out.how = Parking::Linked;
        return out;
    }
    if (!NoHardLinks(errno) || (checks.beforeRename && !checks.beforeRename()) ||
        renameat(folderFd, name.c_str(), folderFd, parkedName.c_str()) != 0)
        fail();
    out.how = Parking::Renamed;
    return out;
}

void PutBackPreviousVersion(int folderFd, const std::string& target, const ParkedVersion& parked) {
    const std::string parkedPath = ParkedNameOf(target);
    const std::string parkedName = FileNameOf(parkedPath);
    switch (parked.how) {
    case Parking::None:
        return;
    case Parking::Linked:
        // Both names hold the previous version; the parked one was not there before the write.
        unlinkat(folderFd, parkedName.c_str(), 0);
        return;
    case Parking::Renamed:
        if (renameat(folderFd, parkedName.c_str(), folderFd, FileNameOf(target).c_str()) != 0)
            FailPutBack(parkedPath, target);
        return;
    }
}

void PutBackRecorded(const std::string& destination, const std::vector<ParkedRecord>& records) {
    FolderCache folders(destination, false, FolderCache::Links::Refuse);
    for (const ParkedRecord& r : records) {
        if (FolderOf(r.target) != FolderOf(r.parked))
            continue;
        const int folderFd = folders.Open(FolderOf(r.target));
        // A folder that is there but cannot be opened may still hold the previous version: say so.
        if (folderFd < 0 && folders.Error() != ENOENT && folders.Error() != ENOTDIR &&
            folders.Error() != EINVAL)
            FailPutBack(r.parked, r.target);
        if (folderFd < 0 || Exists(folderFd, FileNameOf(r.target)) || !Exists(folderFd, FileNameOf(r.parked)))
            continue; // gone with its folder, in place, or never renamed aside
        if (renameat(folderFd, FileNameOf(r.parked).c_str(), folderFd, FileNameOf(r.target).c_str()) != 0)
            FailPutBack(r.parked, r.target);
    }
}

} // namespace hozonix::engine
