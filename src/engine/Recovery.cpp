#include "engine/Recovery.h"

#include "base/AppError.h"
#include "engine/EngineTexts.h"
#include "engine/PathText.h"

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

// No hard links here: the error a file system without them gives, as opposed to a real failure.
bool NoHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK || error == EXDEV;
}

} // namespace

void SetParkingLinkForTesting(LinkFunction link) {
    Link = link != nullptr ? link : &linkat;
}

ParkedVersion ParkPreviousVersion(int folderFd, const std::string& target) {
    const std::string parked = ParkedNameOf(target);
    const std::string name = FileNameOf(target);
    const std::string parkedName = FileNameOf(parked);
    const auto fail = [&] {
        throw AppError(target + texts::RenameTo + texts::LineBreak + parked + texts::CannotPark);
    };
    ParkedVersion out;
    if (!Exists(folderFd, name)) {
        // A run killed after renaming the previous version aside: that may be its only copy.
        if (!Exists(folderFd, parkedName))
            return out;
        if (renameat(folderFd, parkedName.c_str(), folderFd, name.c_str()) != 0)
            fail();
        out.orphan = true;
    }
    if (!out.orphan)
        unlinkat(folderFd, parkedName.c_str(), 0);
    if (Link.load()(folderFd, name.c_str(), folderFd, parkedName.c_str(), 0) == 0) {
        out.how = Parking::Linked;
        return out;
    }
    if (!NoHardLinks(errno) || renameat(folderFd, name.c_str(), folderFd, parkedName.c_str()) != 0) {
        if (out.orphan)
            renameat(folderFd, name.c_str(), folderFd, parkedName.c_str());
        fail();
    }
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
        // Both names hold the previous version; the one it did not have before the write goes.
        unlinkat(folderFd, parked.orphan ? FileNameOf(target).c_str() : parkedName.c_str(), 0);
        return;
    case Parking::Renamed:
        if (!parked.orphan &&
            renameat(folderFd, parkedName.c_str(), folderFd, FileNameOf(target).c_str()) != 0)
            throw AppError(parkedPath + texts::RenameTo + texts::LineBreak + target + texts::CannotPutBack);
        return;
    }
}

} // namespace hozonix::engine
