#pragma once
// Whether a destination folder lies on the drive it should. A drive that is not mounted leaves its mount
// point behind as an empty folder on the system disk, and a run into it would fill that disk while the
// backup drive sits in a drawer: such a destination is refused.

#include <string>

namespace hozonix::engine {

// The system's tables of what is to be mounted where, and of what is mounted now.
struct MountTables {
    std::string fstab = "/etc/fstab";
    std::string mountInfo = "/proc/self/mountinfo";
};

struct DriveCheck {
    std::string refusal; // the message when the destination must not be written; empty when it may
    std::string mount;   // where the file system holding the destination is mounted ("" when unknown)
};

// Checks the destination `folder` (which exists): refused when it is, or lies below, a mount point of
// the fstab table that is not mounted now, or when `lastMount`, where its file system was mounted at the
// last complete run, is no longer mounted and the folder now lies on the file system above it, unless
// `holdsLastRun` (the folder holds the stamp of that run, so it is the same backup wherever it lies).
DriveCheck CheckDestinationDrive(const std::string& folder, const std::string& lastMount, bool holdsLastRun,
                                 const MountTables& tables = {});

} // namespace hozonix::engine
