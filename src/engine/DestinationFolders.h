#pragma once
// The destination side of a run: the folder of the file in hand kept open (files of one folder come
// together in the scan's order, so each folder is opened once), folders below the destination root
// created as needed, and the time resolution of the destination's file system.

#include <cstdint>
#include <string>

namespace hozonix::engine {

class DestinationFolders {
public:
    // `root` is the run's DestinationFolder; it is never created here, so a root that disappears
    // during the run (a drive unmounted) cannot be recreated on the disk below it.
    DestinationFolders(const std::string& root, bool create);
    ~DestinationFolders();
    DestinationFolders(const DestinationFolders&) = delete;
    DestinationFolders& operator=(const DestinationFolders&) = delete;

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
