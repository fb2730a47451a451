#pragma once
// The folder of the file in hand kept open, so that files are reached relative to it (files of one folder
// come together in the scan's order, so each folder is opened once); on the destination side, folders
// below the root created as needed. Also the time resolution of the destination's file system.

#include <cstdint>
#include <string>

namespace hozonix::engine {

class FolderCache {
public:
    // With `create`, missing folders below `root` are created, but never `root` itself, so a
    // destination that disappears during the run (a drive unmounted) is not recreated on the disk below.
    FolderCache(const std::string& root, bool create);
    ~FolderCache();
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;

    // The open folder, or -1 when it does not exist and cannot (or may not) be created.
    int Open(const std::string& folder);
    // True when the folder last opened was created by this run, so none of its files can exist yet.
    bool Fresh() const { return fresh_; }

private:
    bool MakeFolders(const std::string& folder);

    std::string root_;
    bool create_;
    std::string folder_;
    int fd_ = -1;
    bool fresh_ = false;
};

// The step, in nanoseconds, in which the file system holding `folder` keeps last-write times.
int64_t TimeResolutionOf(const std::string& folder);

// True when a destination written at `destination` holds the source written at `source`, on a file
// system that keeps times in steps of `resolution`.
bool IsUpToDate(int64_t destination, int64_t source, int64_t resolution);

} // namespace hozonix::engine
