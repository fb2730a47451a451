#pragma once
// Walks a folder tree and appends every collected file in post-order: the files of each subfolder
// (each subtree complete, in the order the folder lists them) come before the folder's own files.
//
// Skipped: names beginning with "." (hidden, also whole folders), and anything that is neither a
// regular file nor a folder after following links (FIFOs, sockets, devices: never opened). Links to
// folders are entered unless the folder is already on the current walk, or the link leads to "/", to a
// folder the source lies in or into /proc, /sys, /dev or /run. With dateLimit != 0 only files written or
// changed (moved in, unpacked) strictly after it are collected, and every file below a folder changed
// after it (a folder moved or renamed keeps its files' old times) or on a file system that keeps no
// change times (KeepsChangeTimes).

#include "engine/FileEntry.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::engine {

struct FolderId {
    dev_t dev;
    ino_t ino;
};

struct ScanOptions {
    bool recursive = true;
    int64_t dateLimit = 0; // nanoseconds since the epoch, 0 for no limit
    // Folders never entered, wherever they appear (a destination that lies inside the source).
    std::vector<FolderId> leaveOut;
    // Receives what could not be read: a folder with a trailing "/", a file without. Null: such parts
    // contribute nothing, silently.
    std::vector<std::string>* unreadable = nullptr;
    // Receives the links to folders that were not entered because they lead out of the source to a whole
    // system (see above), each once. Null: left out silently.
    std::vector<std::string>* linksNotEntered = nullptr;
    // Called every few hundredths of a second on the thread that called ScanFolder, also while it waits
    // for its helper threads (a window handles its events there). False stops the scan: what it had found
    // is left in the list, incomplete.
    std::function<bool()> keepGoing;
    std::chrono::milliseconds pollInterval{20};
};

// False for a file system that keeps no change times of its own, so that a file or folder moved in with
// its old write time cannot be told: FAT and exFAT, which report the write time, and the network mounts
// that report the write time in its place (sshfs, rclone, GVfs). Local FUSE layers that pass change
// times on, and kernel NFS and SMB clients, which report the server's, keep them.
bool KeepsChangeTimes(int folderFd);

// `folder` may be given with or without a trailing "/"; the paths come out the same.
void ScanFolder(const std::string& folder, FileList& out, const ScanOptions& options);

inline void ScanFolder(const std::string& folder, FileList& out, bool recursive, int64_t dateLimit) {
    ScanOptions options;
    options.recursive = recursive;
    options.dateLimit = dateLimit;
    ScanFolder(folder, out, options);
}

} // namespace hozonix::engine
