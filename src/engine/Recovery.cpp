#include "engine/Recovery.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "engine/CopyFile.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"
#include "engine/FolderCache.h"
#include "engine/History.h"
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
std::atomic<RenameFunction> Rename{&renameat};

bool Exists(int folderFd, const std::string& name) {
    struct stat st {};
    return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Copies the previous version `name` to `parkedName`, with its metadata and time; the target stays as it
// is. False, with no parked file left, when that fails.
bool CopyAside(int folderFd, const std::string& name, const std::string& parkedName,
               const std::string& target) {
    const ScopedFd from(openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (from.get() < 0 || fstat(from.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    ScopedFd to(
        openat(folderFd, parkedName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (to.get() < 0)
        return false;
    bool copied = false;
    try {
        copied = FillTarget(from.get(), st, target, to.get(), ParkedNameOf(target), st.st_size, nullptr) &&
                 to.close() == 0;
    } catch (const AppError&) {
    }
    // Shares that stamp the close time over one set on the open file keep one set by name.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    struct stat copy {};
    copied = copied && utimensat(folderFd, parkedName.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 &&
             fstatat(folderFd, parkedName.c_str(), &copy, AT_SYMLINK_NOFOLLOW) == 0 &&
             copy.st_size == st.st_size;
    if (!copied)
        unlinkat(folderFd, parkedName.c_str(), 0);
    return copied;
}

[[noreturn]] void FailPutBack(const std::string& parked, const std::string& target) {
    throw AppError(parked + texts::RenameTo + texts::LineBreak + target + texts::CannotPutBack);
}

} // namespace

bool NoHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK || error == EXDEV ||
           error == EIO;
}

int LinkForKeeping(int oldFolder, const char* oldName, int newFolder, const char* newName) {
    return Link.load()(oldFolder, oldName, newFolder, newName, 0);
}

int RenameForKeeping(int oldFolder, const char* oldName, int newFolder, const char* newName) {
    return Rename.load()(oldFolder, oldName, newFolder, newName);
}

void SetParkingLinkForTesting(LinkFunction link) {
    Link = link != nullptr ? link : &linkat;
}

void SetParkingRenameForTesting(RenameFunction rename) {
    Rename = rename != nullptr ? rename : &renameat;
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
    if (!NoHardLinks(errno) || (checks.beforeRename && !checks.beforeRename()))
        fail();
    if (Rename.load()(folderFd, name.c_str(), folderFd, parkedName.c_str()) == 0) {
        out.how = Parking::Renamed;
        return out;
    }
    // A remote that moves no files within itself either: a copy keeps the previous version, and the
    // target stays in place as with a link. The put-back the mark recorded finds it there.
    if (!CopyAside(folderFd, name, parkedName, target))
        fail();
    out.how = Parking::Copied;
    return out;
}

void PutBackPreviousVersion(int folderFd, const std::string& target, const ParkedVersion& parked) {
    const std::string parkedPath = ParkedNameOf(target);
    const std::string parkedName = FileNameOf(parkedPath);
    switch (parked.how) {
    case Parking::None:
        return;
    case Parking::Linked:
    case Parking::Copied:
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
    FolderCache history(destination, false, FolderCache::Links::Refuse);
    const std::string historyFolder = JoinPath(JoinPath(destination, OwnFolderName), HistoryFolderName) + "/";
    for (const ParkedRecord& r : records) {
        // Beside the target, or (a version kept in the history) in the destination's history folder.
        const bool beside = FolderOf(r.target) == FolderOf(r.parked);
        if (!beside && (!r.parked.starts_with(historyFolder) || r.parked.find("/../") != std::string::npos))
            continue;
        const int folderFd = folders.Open(FolderOf(r.target));
        // A folder that is there but cannot be opened may still hold the previous version: say so.
        if (folderFd < 0 && folders.Error() != ENOENT && folders.Error() != ENOTDIR &&
            folders.Error() != EINVAL)
            FailPutBack(r.parked, r.target);
        const int parkedFd = beside || folderFd < 0 ? folderFd : history.Open(FolderOf(r.parked));
        if (folderFd < 0 || parkedFd < 0 || Exists(folderFd, FileNameOf(r.target)) ||
            !Exists(parkedFd, FileNameOf(r.parked)))
            continue; // gone with its folder, in place, or never renamed aside
        if (renameat(parkedFd, FileNameOf(r.parked).c_str(), folderFd, FileNameOf(r.target).c_str()) != 0)
            FailPutBack(r.parked, r.target);
    }
}

} // namespace hozonix::engine
